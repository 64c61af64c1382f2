#pragma once

#include "base/ResizeLayout.h"
#include "base/Twips.h"

#include <QAbstractButton>
#include <QDialog>
#include <QEvent>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QPointer>
#include <functional>
#include <utility>
#include <vector>

class QLabel;
class QPushButton;
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

// The resize layout of a sizable window bound to its controls: each pass reads the controls' places,
// lays them out for the window's outer size and writes them back, and sets the window back to its
// minimum size when it is smaller.
template <class Rects> class ResizeBinding {
public:
    using Control = std::pair<TwipsRect Rects::*, QWidget*>;
    explicit ResizeBinding(const WindowResize<Rects>& table) : m_table(table) {}

    // The controls, and the outer size the first pass starts from.
    void start(std::vector<Control> controls, TwipsSize outer) {
        m_controls = std::move(controls);
        m_remembered = outer;
        m_ready = true;
    }
    TwipsSize remembered() const { return m_remembered; }
    const WindowResize<Rects>& table() const { return m_table; }

    void run(TwipsPlacer& placer, QWidget* window, TwipsSize current, bool minimized) {
        if (!m_ready)
            return;
        Rects rects;
        for (const auto& [field, widget] : m_controls)
            rects.*field = placer.rect(widget);
        const LayoutPass<Rects> pass = layoutWindow(m_table, rects, m_remembered, current, minimized);
        if (!pass.laidOut)
            return;
        for (const auto& [field, widget] : m_controls)
            placer.setRect(widget, pass.rects.*field);
        m_remembered = pass.remembered;
        if (pass.enforced != current)
            window->resize(window->width() + placer.toPixels(pass.enforced.width - current.width),
                           window->height() + placer.toPixels(pass.enforced.height - current.height));
    }

private:
    const WindowResize<Rects>& m_table;
    std::vector<Control> m_controls;
    TwipsSize m_remembered;
    bool m_ready = false;
};

// A sizable window (the main window, the result window): every resize and change of window state runs
// its resize layout, Form_Resize.
template <class Base, class Rects> class SizableWindow : public Base {
public:
    SizableWindow(QWidget* parent, const WindowResize<Rects>& table) : Base(parent), m_resize(table) {}

protected:
    void resizeEvent(QResizeEvent* event) override {
        Base::resizeEvent(event);
        Form_Resize();
    }
    void changeEvent(QEvent* event) override {
        Base::changeEvent(event);
        if (event->type() == QEvent::WindowStateChange)
            Form_Resize();
    }
    void Form_Resize() { m_resize.run(m_placer, this, layoutSize(), this->isMinimized()); }
    // The outer size (twips) the layout works with.
    virtual TwipsSize layoutSize() const { return m_placer.outerSize(); }
    // The window cannot be made smaller than the layout's minimum; `extraHeight` pixels sit above the
    // client area (a menu bar).
    void holdMinimumSize(int extraHeight = 0) {
        const TwipsSize minimum = m_resize.table().minimum;
        this->setMinimumSize(m_placer.toPixels(minimum.width - kFrameWidthTwips),
                             m_placer.toPixels(minimum.height - kFrameHeightTwips) + extraHeight);
    }

    TwipsPlacer m_placer{this};
    // The remembered size in it is the window's Form1Width / Form1Height (Form4Width / Form4Height).
    ResizeBinding<Rects> m_resize;
};

// Wires each button's click to its handler.
template <class W>
void connectClicks(W* window, std::initializer_list<std::pair<QAbstractButton*, void (W::*)()>> handlers) {
    for (const auto& [button, handler] : handlers)
        QObject::connect(button, &QAbstractButton::clicked, window, handler);
}

// Creates a window's controls on `parent`: each named (its objectName) and placed in twips.
class ControlMaker {
public:
    ControlMaker(QWidget* parent, TwipsPlacer& placer) : m_parent(parent), m_placer(placer) {}

    template <class W> W* add(const char* name, const TwipsRect& rect) {
        auto* w = new W(m_parent);
        w->setObjectName(QLatin1String(name));
        m_placer.setRect(w, rect);
        return w;
    }
    // A button that does not answer Enter on its own.
    QPushButton* button(const char* name, const QString& caption, const TwipsRect& rect);
    QLabel* label(const char* name, const QString& caption, const TwipsRect& rect);

private:
    QWidget* m_parent;
    TwipsPlacer& m_placer;
};

// Runs `first` once, from the event loop, after `window` is first shown: a window's first database call
// never runs inside its constructor, and its wait never nests in a constructor's caller.
void whenFirstShown(QWidget* window, std::function<void()> first);

// Tab order: each control after the one before it.
void setTabChain(std::initializer_list<QWidget*> controls);

// A dialog of one fixed size: a resize snaps back (minimising stays possible), and it centres itself
// over the main window when it loads.
class FixedDialog : public QDialog {
public:
    // Named `name`, captioned `caption`, in the windows' 9-point gothic font unless `gothic` is false.
    FixedDialog(QWidget* parent, const char* name, const QString& caption, TwipsSize client,
                bool gothic = true);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void Form_Resize();
    // Placement when the dialog loads.
    void centreOverMain();

    TwipsPlacer m_placer{this};

private:
    TwipsSize m_client;
};

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
