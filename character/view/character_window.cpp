#include "character/view/character_window.h"

#include "character/format/character_file.h"

#include <QAccessibleWidget>
#include <QBitmap>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTextLine>
#include <QWindow>

namespace quorvel {

namespace {

constexpr qreal kPadding = 10;
constexpr qreal kTail = 16;
constexpr qreal kMaxTextHeight = 480;

// Pixels at least half opaque belong to the character; without a compositor everything else
// would show as black. The others are cleared: a compositor that ignores the window's shape
// (wlroots) would show them, and once the shape has moved on, no repaint reaches them (an X
// server draws nothing outside a window's shape), so a faint edge would stay behind.
QRegion trimToOutline(QImage &frame)
{
    for (int y = 0; y < frame.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(frame.scanLine(y));
        for (int x = 0; x < frame.width(); ++x) {
            if (qAlpha(row[x]) < 128)
                row[x] = 0;
        }
    }
    const QRegion outline(QBitmap::fromImage(frame.createAlphaMask(Qt::ThresholdAlphaDither)));
    // An empty mask would show the whole rectangle.
    return outline.isEmpty() ? QRegion(0, 0, 1, 1) : outline;
}

// The outline goes to the platform window only (QWidget::setMask would clip the repaint to it),
// so that a repaint also clears what the last outline held outside the new one: wlroots (sway,
// also for XWayland) and Wayland compositors ignore the shape and show the window's pixels as
// they are. An X server draws nothing outside a window's shape: the shape takes in both outlines
// until the window is painted, and shrinks only then (shrinkShapeWhenPainted).
void growShape(QWidget *window, const QRegion &outline)
{
    if (QWindow *handle = window->windowHandle()) {
        const QRegion shape = handle->mask() | outline;
        if (shape != handle->mask())
            handle->setMask(shape);
    }
}

// At the end of a paint; queued, since the painted pixels reach the window system after it.
void shrinkShapeWhenPainted(QWidget *window, const QRegion *outline)
{
    if (QWindow *handle = window->windowHandle(); handle && handle->mask() != *outline) {
        QMetaObject::invokeMethod(
            window, [window, outline] { window->windowHandle()->setMask(*outline); },
            Qt::QueuedConnection);
    }
}

QScreen *screenFor(const QPoint &point)
{
    QScreen *screen = QGuiApplication::screenAt(point);
    return screen ? screen : QGuiApplication::primaryScreen();
}

// What a screen reader finds: the character as an animation under his name, and his balloon as a
// tool tip, which a screen reader reads only when asked to (Orca: "present tool tips"), so that it
// does not say again what the game's window has just told.
QAccessibleInterface *accessibleCharacter(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget || className != QLatin1String(widget->metaObject()->className()))
        return nullptr;
    if (dynamic_cast<CharacterWindow *>(widget))
        return new QAccessibleWidget(widget, QAccessible::Animation);
    if (dynamic_cast<BalloonWindow *>(widget))
        return new QAccessibleWidget(widget, QAccessible::ToolTip);
    return nullptr;
}

// Both windows float above the game and must never take the focus from it (the answer box keeps
// it while the character shows up, moves or speaks), so they are frameless tools that do not
// accept the focus, and show without activating.
void makeFloatingWindow(QWidget *window)
{
    // On X11 he is left to no window manager at all (override-redirect): he stands where the game
    // puts him, goes where the pupil drags him, never takes the keyboard and shows in no taskbar,
    // whatever the desktop. Managed, a tool window is transient for Qt's hidden leader window,
    // which weston 14's XWayland shell cannot follow: moving it brings the desktop down.
    window->setWindowFlags(Qt::Tool | Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint
                           | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setFocusPolicy(Qt::NoFocus);
    static const bool installed = (QAccessible::installFactory(accessibleCharacter), true);
    Q_UNUSED(installed);
}

} // namespace

CharacterWindow::CharacterWindow(std::shared_ptr<const LoadedCharacter> character)
    : m_character(std::move(character))
    , m_composer(m_character)
{
    makeFloatingWindow(this);
    setWindowTitle(m_character->model.id);
    setAccessibleName(m_character->model.id);
    m_animation = m_character->model.idle;
    resize(m_character->model.size);
    m_composer.setSize(size());
    // Until the game moves it, the character stands in the lower right corner of the screen.
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect free = screen->availableGeometry();
        move(free.right() - width() - 16, free.bottom() - height() - 16);
    }
    // Rendered when first shown: the game's window must not wait for him.
}

QSize CharacterWindow::sizeForHeight(int pixels) const
{
    const QSizeF box = m_character->model.viewBox;
    return {qMax(1, qRound(pixels * box.width() / box.height())), pixels};
}

QRect CharacterWindow::figureGeometry()
{
    if (m_figure.isNull()) {
        // Composed in the frame's own buffer, which then gets the frame on screen back: a second
        // buffer the window's size, even for a moment, would stay in the heap as a hole.
        m_composer.compose(layersOf(m_character->model.idle, 0), m_shownImage);
        m_figure = trimToOutline(m_shownImage).boundingRect();
        if (!m_shown.isEmpty()) {
            m_composer.compose(m_shown, m_shownImage);
            trimToOutline(m_shownImage);
        }
    }
    return m_figure.translated(pos());
}

void CharacterWindow::setCharacterHeight(int pixels)
{
    const QSize wanted = sizeForHeight(pixels);
    if (wanted == size())
        return;
    resize(wanted);
    m_composer.setSize(wanted);
    m_figure = QRect();
    m_shown.clear();
    m_shownImage = QImage();
    showFrame(m_animation, m_frame);
}

const QList<int> &CharacterWindow::layersOf(int animation, int frame) const
{
    return m_character->model.animations[animation].frames[frame].layers;
}

void CharacterWindow::showFrame(int animation, int frame)
{
    if (animation != m_animation)
        m_composer.enter(animation);
    m_animation = animation;
    m_frame = frame;
    if (isVisible())
        applyFrame();
}

void CharacterWindow::applyFrame()
{
    const QList<int> &layers = layersOf(m_animation, m_frame);
    if (layers == m_shown)
        return;
    m_composer.compose(layers, m_shownImage);
    // Only what changed is reshaped and repainted: a blink is a few rows of pixels, and a
    // repaint of the whole figure spreads over Qt's worker threads, waking them all.
    m_outline = trimToOutline(m_shownImage);
    growShape(this, m_outline);
    update(m_shown.isEmpty() ? rect() : m_composer.difference(m_shown, layers));
    m_shown = layers;
}

void CharacterWindow::showEvent(QShowEvent *)
{
    // Shaped before it reaches the screen, or its rectangle would flash.
    applyFrame();
}

void CharacterWindow::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRect area = event->rect();
    const QList<int> &layers = layersOf(m_animation, m_frame);
    if (layers == m_shown) {
        painter.drawImage(area.topLeft(), m_shownImage, area);
        shrinkShapeWhenPainted(this, &m_outline);
        return;
    }
    // Painted while hidden (grabbed), when frames are not applied.
    QImage frame;
    m_composer.compose(layers, frame);
    painter.drawImage(area.topLeft(), frame, area);
}

void CharacterWindow::moveEvent(QMoveEvent *)
{
    emit moved();
}

void CharacterWindow::mousePressEvent(QMouseEvent *event)
{
    // Where on him the press fell, from the press itself: pos() is only what the desktop last
    // reported, and a desktop busy placing him may not have reported it yet (he jumped away).
    if (event->button() == Qt::LeftButton)
        m_grab = event->position().toPoint();
}

void CharacterWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_grab || !(event->buttons() & Qt::LeftButton))
        return;
    // Dragged aside, never away: at least half of him stays on the screen, or a pupil without a
    // window manager could not find him again.
    const QPoint pointer = event->globalPosition().toPoint();
    const QRect free = screenFor(pointer)->availableGeometry();
    QPoint to = pointer - *m_grab;
    const int w = width();
    const int h = height();
    to.setX(qBound(free.left() - w / 2, to.x(), free.right() + 1 - (w + 1) / 2));
    const int shownWidth = qMin(to.x() + w, free.right() + 1) - qMax(to.x(), free.left());
    // The narrower the part shown across, the more of his height must show.
    const int shownHeight = qMin(h, (w * h + 2 * shownWidth - 1) / (2 * shownWidth));
    to.setY(qBound(free.top() - (h - shownHeight), to.y(), free.bottom() + 1 - shownHeight));
    move(to);
}

void CharacterWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_grab.reset();
}

void CharacterWindow::contextMenuEvent(QContextMenuEvent *event)
{
    // Not exec(): a nested event loop could outlive the character (a new contest destroys it).
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("Nascondi"), this, &CharacterWindow::hideRequested);
    menu->popup(event->globalPos());
}

void CharacterWindow::closeEvent(QCloseEvent *event)
{
    // Closing is hiding: Show must be able to bring the character back.
    event->ignore();
    emit hideRequested();
}

BalloonWindow::BalloonWindow(const BalloonStyle &style)
    : m_style(style)
{
    makeFloatingWindow(this);
    QFont font(style.font);
    font.setPointSize(style.pointSize);
    setFont(font);
}

void BalloonWindow::setText(const QString &text)
{
    m_text = text;
    m_revealed = 0;
    setAccessibleName(text);
    m_layout.setText(text);
    m_layout.setFont(font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_layout.setTextOption(option);
    m_layout.beginLayout();
    qreal y = 0;
    qreal width = 0;
    for (QTextLine line = m_layout.createLine(); line.isValid(); line = m_layout.createLine()) {
        line.setLineWidth(m_style.maxWidth);
        line.setPosition(QPointF(0, y));
        y += line.height();
        width = qMax(width, line.naturalTextWidth());
        if (y >= kMaxTextHeight) // what does not fit is heard, not shown
            break;
    }
    m_layout.endLayout();
    m_textSize = QSizeF(qMax<qreal>(width, 24), qMin(y, kMaxTextHeight));
    resize(qCeil(m_textSize.width() + 2 * kPadding + kTail),
           qCeil(m_textSize.height() + 2 * kPadding));
    update();
}

void BalloonWindow::setRevealed(int characters)
{
    characters = qBound(0, characters, int(m_text.size()));
    if (characters != m_revealed) {
        m_revealed = characters;
        update();
    }
}

void BalloonWindow::placeBeside(const QRect &character)
{
    const QRect free = screenFor(character.center())->availableGeometry();
    const int w = width();
    const int h = height();
    int x = character.left() - w;
    m_tailOnRight = true;
    if (x < free.left() && character.right() + 1 + w <= free.right() + 1) {
        x = character.right() + 1;
        m_tailOnRight = false;
    }
    x = qBound(free.left(), x, qMax(free.left(), free.right() + 1 - w));
    const int head = character.top() + character.height() / 4;
    const int y = qBound(free.top(), head - h / 2, qMax(free.top(), free.bottom() + 1 - h));
    m_tailY = qBound(int(kPadding + 8), head - y, qMax(int(kPadding + 8), h - int(kPadding) - 8));
    move(x, y);
    m_outline = QRegion(outline().toFillPolygon().toPolygon());
    growShape(this, m_outline);
    update();
}

void BalloonWindow::showEvent(QShowEvent *)
{
    // Placed before its platform window was made, the first time.
    growShape(this, m_outline);
}

QPainterPath BalloonWindow::outline() const
{
    const QRectF body = m_tailOnRight ? QRectF(0.5, 0.5, width() - kTail - 1, height() - 1)
                                      : QRectF(kTail + 0.5, 0.5, width() - kTail - 1, height() - 1);
    QPainterPath path;
    path.addRoundedRect(body, 10, 10);
    QPainterPath tail;
    if (m_tailOnRight) {
        tail.moveTo(body.right() - 2, m_tailY - 7);
        tail.lineTo(width() - 0.5, m_tailY);
        tail.lineTo(body.right() - 2, m_tailY + 7);
    } else {
        tail.moveTo(body.left() + 2, m_tailY - 7);
        tail.lineTo(0.5, m_tailY);
        tail.lineTo(body.left() + 2, m_tailY + 7);
    }
    tail.closeSubpath();
    return path.united(tail);
}

void BalloonWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QPen(m_style.border, 2));
    painter.setBrush(m_style.background);
    painter.drawPath(outline());

    painter.setPen(m_style.text);
    QTextLayout::FormatRange unsaid;
    unsaid.start = m_revealed;
    unsaid.length = int(m_text.size()) - m_revealed;
    unsaid.format.setForeground(Qt::transparent);
    const qreal left = (m_tailOnRight ? 0 : kTail) + kPadding;
    painter.setClipRect(QRectF(left, kPadding, m_textSize.width() + 1, m_textSize.height()));
    m_layout.draw(&painter, QPointF(left, kPadding), {unsaid});
    shrinkShapeWhenPainted(this, &m_outline);
}

} // namespace quorvel
