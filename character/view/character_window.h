#pragma once

#include "character/format/manifest.h"
#include "character/view/frame_composer.h"

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QTextLayout>
#include <QWidget>

#include <memory>
#include <optional>

namespace quorvel {

struct LoadedCharacter;

// The character's own window: the current frame, shaped to its outline.
class CharacterWindow : public QWidget
{
    Q_OBJECT
public:
    explicit CharacterWindow(std::shared_ptr<const LoadedCharacter> character);

    // Shows a frame of an animation. A frame made of the same pictures as the one on screen
    // changes nothing: no repaint, no new window shape.
    void showFrame(int animation, int frame);
    // Height in pixels; the width follows the artwork's proportions.
    void setCharacterHeight(int pixels);
    QSize sizeForHeight(int pixels) const;
    // Where the resting figure is on the screen, without the window's transparent margin.
    QRect figureGeometry();
    // How many drawn pictures the window keeps at most, and keeps now.
    int pictureCacheCapacity() const { return m_composer.capacity(); }
    int cachedPictures() const { return m_composer.cachedPictures(); }

signals:
    void hideRequested();
    void moved();

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    const QList<int> &layersOf(int animation, int frame) const;
    void applyFrame();

    std::shared_ptr<const LoadedCharacter> m_character;
    FrameComposer m_composer;
    QList<int> m_shown; // the pictures of the frame on screen; empty when none is
    QImage m_shownImage;
    QRegion m_outline; // of the frame on screen
    QRect m_figure; // the resting figure within the window, once known
    int m_animation = 0;
    int m_frame = 0;
    std::optional<QPoint> m_grab; // where the pupil holds the character while dragging
};

// The word balloon beside the character: the whole text is laid out at once, so that the balloon
// keeps its size while the words appear.
class BalloonWindow : public QWidget
{
    Q_OBJECT
public:
    explicit BalloonWindow(const BalloonStyle &style);

    void setText(const QString &text);
    void setRevealed(int characters);
    int revealed() const { return m_revealed; }
    QString text() const { return m_text; }
    // Beside the character (to its left if there is room on its screen, else to its right).
    void placeBeside(const QRect &character);

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPainterPath outline() const;

    BalloonStyle m_style;
    QString m_text;
    QTextLayout m_layout;
    QSizeF m_textSize;
    int m_revealed = 0;
    bool m_tailOnRight = true;
    int m_tailY = 0;
    QRegion m_outline; // on the screen
};

} // namespace quorvel
