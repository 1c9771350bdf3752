#include "app/picture_button.h"

#include <QIcon>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

namespace quorvel {

PictureButton::PictureButton(const QString &caption, const QColor &face, const QPixmap &picture,
                             QWidget *parent)
    : QPushButton(caption, parent)
    , m_face(face)
    , m_picture(picture)
{
    QPalette p = palette();
    p.setColor(QPalette::Button, face);
    setPalette(p);
    // Outside dialogs Qt buttons ignore Enter; a pupil expects Enter on the focused button to
    // press it.
    setAutoDefault(true);
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const bool sunken = isDown();
    // A classic raised face that sinks while pressed, filled with the button's colour.
    qDrawWinButton(&painter, rect(), palette(), sunken, nullptr);
    painter.fillRect(rect().adjusted(2, 2, -2, -2), m_face);

    const QPixmap &shown = (sunken && !m_downPicture.isNull()) ? m_downPicture : m_picture;
    const QPixmap picture = isEnabled()
        ? shown
        : QIcon(shown).pixmap(shown.deviceIndependentSize().toSize(), QIcon::Disabled);

    const QFontMetrics metrics(font());
    const int captionHeight = metrics.height();
    const int gap = 1;
    const QSize pictureSize = picture.deviceIndependentSize().toSize();
    const int blockHeight = pictureSize.height() + gap + captionHeight;
    const int shift = sunken ? 1 : 0; // the contents move with the face, as on a real key
    const int top = (height() - blockHeight) / 2 + shift;

    painter.drawPixmap((width() - pictureSize.width()) / 2 + shift, top, picture);

    const QRect captionRect(shift, top + pictureSize.height() + gap, width(), captionHeight);
    style()->drawItemText(&painter, captionRect, Qt::AlignHCenter | Qt::TextShowMnemonic, palette(),
                          isEnabled(), text(), QPalette::ButtonText);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        const int captionWidth = metrics.horizontalAdvance(QString(text()).remove(u'&'));
        focus.rect = QRect((width() - captionWidth) / 2 - 2 + shift, captionRect.top(),
                           captionWidth + 4, captionHeight)
                         .intersected(rect().adjusted(3, 3, -3, -3));
        focus.backgroundColor = m_face;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

} // namespace quorvel
