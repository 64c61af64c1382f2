#pragma once

#include "app/Twips.h"

#include <QFont>
#include <QHash>
#include <QIcon>
#include <QPointer>

class QPlainTextEdit;
class QWidget;

namespace zemo {

// The window frame that the design's outer sizes include beyond the client area (caption and
// borders), in twips. Outer sizes are computed from it so that layouts do not depend on the
// window manager's decorations.
inline constexpr int kFrameWidthTwips = 120;
inline constexpr int kFrameHeightTwips = 405;

// Keeps each control's design place in twips and maps it to pixels at the screen's logical DPI.
class TwipsPlacer {
public:
    explicit TwipsPlacer(QWidget* host) : m_host(host) {}

    void place(QWidget* control, const TwipsRect& rect);
    TwipsRect rect(const QWidget* control) const { return m_rects.value(control); }
    void setRect(QWidget* control, const TwipsRect& rect);
    void applyAll();

    double dpi() const;
    int toPixels(double twips) const;
    double toTwips(int pixels) const;

    // Client size in pixels for a client size in twips.
    QSize clientPixels(double widthTwips, double heightTwips) const;
    // Outer size in twips of the host, from its client area `client` (defaults to the host).
    TwipsSize outerSize(const QWidget* client = nullptr) const;

private:
    void apply(QWidget* control, const TwipsRect& rect);
    QWidget* m_host;
    QHash<const QWidget*, TwipsRect> m_rects;
};

// Centres `dialog` (outer size in twips) over the main window, as every dialog does when it loads.
void centreOverMainWindow(QWidget* dialog, const TwipsSize& dialogOuter);

// Installs substitutes for the Windows fonts the windows name, from the Japanese fonts installed.
void installFontSubstitutes();
// Gives list rows room below the text: the IPA fonts draw "_" a pixel below the row height Qt
// computes, where the next row painted over it.
void installDesktopStyle();
// The same room below each line of a multi-line text box.
void giveLinesRoom(QPlainTextEdit* box);
// Qt's own dialogs and menus (the save dialog, its questions, a text box's menu) in Japanese like the
// program's windows, from Qt's translations; false when they are not installed.
bool installQtTranslations();
// Once, after creating the application: its names (they name the per-user configuration folder),
// Qt's Japanese translations, the font substitutes, the list-row style and the window icon.
void setUpApplication();
QFont gothicFont(double pointSize = 9, bool bold = false);
QFont minchoFont(double pointSize, bool bold = false, bool italic = false);

// The program's icon (window icon, picture boxes), drawn for 16 to 64 pixels.
QIcon programIcon();

// The main window; dialogs centre over it and write into it.
QWidget* mainWindow();
void setMainWindow(QWidget* window);

} // namespace zemo
