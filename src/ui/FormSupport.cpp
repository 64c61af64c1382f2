#include "ui/FormSupport.h"

#include "base/ProgramName.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMainWindow>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QStyleOption>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTranslator>
#include <QWidget>

namespace zemo {

void TwipsPlacer::setRect(QWidget* control, const TwipsRect& rect) {
    m_rects.insert(control, rect);
    apply(control, rect);
}

void TwipsPlacer::applyAll() {
    for (auto it = m_rects.cbegin(); it != m_rects.cend(); ++it)
        apply(const_cast<QWidget*>(it.key()), it.value());
}

void TwipsPlacer::apply(QWidget* control, const TwipsRect& rect) {
    control->setGeometry(toPixels(rect.left), toPixels(rect.top), std::max(0, toPixels(rect.width)),
                         std::max(0, toPixels(rect.height)));
}

double TwipsPlacer::dpi() const {
    if (m_host && m_host->screen())
        return m_host->screen()->logicalDotsPerInchX();
    if (QGuiApplication::primaryScreen())
        return QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    return 96.0;
}

int TwipsPlacer::toPixels(double twips) const {
    return twipsToPixels(twips, dpi());
}
double TwipsPlacer::toTwips(int pixels) const {
    return pixelsToTwips(pixels, dpi());
}

QSize TwipsPlacer::clientPixels(double widthTwips, double heightTwips) const {
    return {toPixels(widthTwips), toPixels(heightTwips)};
}

TwipsSize TwipsPlacer::outerSize(const QWidget* client) const {
    if (!client)
        client = m_host;
    return {static_cast<int>(std::lround(toTwips(client->width()))) + kFrameWidthTwips,
            static_cast<int>(std::lround(toTwips(client->height()))) + kFrameHeightTwips};
}

namespace {
QPointer<QWidget>& mainSlot() {
    static QPointer<QWidget> w;
    return w;
}

const QWidget* clientOf(const QWidget* window) {
    if (auto* mw = qobject_cast<const QMainWindow*>(window); mw && mw->centralWidget())
        return mw->centralWidget();
    return window;
}
} // namespace

QWidget* mainWindow() {
    return mainSlot().data();
}
void setMainWindow(QWidget* window) {
    mainSlot() = window;
}

namespace {
class FirstShow : public QObject {
public:
    FirstShow(QWidget* window, std::function<void()> first) : QObject(window), m_first(std::move(first)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            QMetaObject::invokeMethod(watched, std::move(m_first), Qt::QueuedConnection);
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> m_first;
};
} // namespace

void whenFirstShown(QWidget* window, std::function<void()> first) {
    new FirstShow(window, std::move(first));
}

void centreOverMainWindow(QWidget* dialog, const TwipsSize& dialogOuter) {
    QWidget* main = mainWindow();
    if (!main)
        return;
    TwipsPlacer placer(main);
    const TwipsSize mainOuter = placer.outerSize(clientOf(main));
    const QPoint pos = main->pos();
    const TwipsPoint p = centreOver(placer.toTwips(pos.x()), placer.toTwips(pos.y()), mainOuter.width,
                                    mainOuter.height, dialogOuter.width, dialogOuter.height);
    dialog->move(placer.toPixels(p.left), placer.toPixels(p.top));
}

QPushButton* ControlMaker::button(const char* name, const QString& caption, const TwipsRect& rect) {
    auto* b = add<QPushButton>(name, rect);
    b->setText(caption);
    b->setAutoDefault(false);
    return b;
}

QLabel* ControlMaker::label(const char* name, const QString& caption, const TwipsRect& rect) {
    auto* l = add<QLabel>(name, rect);
    l->setText(caption);
    return l;
}

void setTabChain(std::initializer_list<QWidget*> controls) {
    QWidget* previous = nullptr;
    for (QWidget* w : controls) {
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

FixedDialog::FixedDialog(QWidget* parent, const char* name, const QString& caption, TwipsSize client,
                         bool gothic)
    : QDialog(parent), m_client(client) {
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    if (gothic)
        setFont(gothicFont(9));
    setFixedSize(m_placer.clientPixels(client.width, client.height));
}

void FixedDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}

void FixedDialog::Form_Resize() {
    if (!isMinimized())
        setFixedSize(m_placer.clientPixels(m_client.width, m_client.height));
}

void FixedDialog::centreOverMain() {
    centreOverMainWindow(this, {m_client.width + kFrameWidthTwips, m_client.height + kFrameHeightTwips});
}

void installFontSubstitutes() {
    const QStringList gothic = {QStringLiteral("IPAGothic"),        QStringLiteral("IPAゴシック"),
                                QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans Mono CJK JP"),
                                QStringLiteral("MS Gothic"),        QStringLiteral("VL Gothic"),
                                QStringLiteral("TakaoGothic")};
    const QStringList mincho = {QStringLiteral("IPAMincho"), QStringLiteral("IPA明朝"),
                                QStringLiteral("Noto Serif CJK JP"), QStringLiteral("MS Mincho"),
                                QStringLiteral("TakaoMincho")};
    QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"), gothic);
    QFont::insertSubstitutions(QStringLiteral("ＭＳ 明朝"), mincho);
}

namespace {
// Pixels below a row of text in which "_" still shows.
int rowRoom(const QFontMetrics& fm) {
    return std::max(2, fm.height() / 6);
}

class RoomyRowsStyle : public QProxyStyle {
public:
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
        if (type == CT_ItemViewItem && option)
            s.rheight() += rowRoom(option->fontMetrics);
        return s;
    }
};

// A plain-text layout that leaves rowRoom below every line. The box asks every block for its
// rectangle before it paints or places the cursor, so the lines are spaced there.
class RoomyLinesLayout : public QPlainTextDocumentLayout {
public:
    using QPlainTextDocumentLayout::QPlainTextDocumentLayout;
    QRectF blockBoundingRect(const QTextBlock& block) const override {
        const QRectF base = QPlainTextDocumentLayout::blockBoundingRect(block);
        QTextLayout* layout = block.layout();
        if (!block.isVisible() || !layout || layout->lineCount() == 0)
            return base;
        const int room = rowRoom(QFontMetrics(document()->defaultFont()));
        qreal y = 0;
        for (int i = 0; i < layout->lineCount(); ++i) {
            QTextLine line = layout->lineAt(i);
            line.setPosition(QPointF(line.position().x(), y));
            y += line.height() + room;
        }
        const qreal margin = block.next().isValid() ? 0 : document()->documentMargin();
        return QRectF(base.topLeft(), QSizeF(base.width(), y + margin));
    }
};
} // namespace

void giveLinesRoom(QPlainTextEdit* box) {
    auto* doc = new QTextDocument(box);
    doc->setDocumentLayout(new RoomyLinesLayout(doc));
    doc->setDefaultFont(box->font());
    box->setDocument(doc);
}

void installDesktopStyle() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    QApplication::setStyle(new RoomyRowsStyle);
}

bool installQtTranslations() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

void setUpApplication() {
    nameApplication();
    installQtTranslations();
    installFontSubstitutes();
    installDesktopStyle();
    QApplication::setWindowIcon(programIcon());
}

QIcon programIcon() {
    QIcon icon;
    for (int n : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icons/zemo-db-%1.png").arg(n), QSize(n, n));
    return icon;
}

QFont gothicFont(double pointSize, bool bold) {
    QFont f(QStringLiteral("ＭＳ ゴシック"));
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

QFont minchoFont(double pointSize, bool bold, bool italic) {
    QFont f(QStringLiteral("ＭＳ 明朝"));
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

} // namespace zemo
