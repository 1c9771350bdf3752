#pragma once

#include <QPixmap>
#include <QPushButton>

namespace quorvel {

// A graphical command button: the face filled with the button's own back colour, a picture centred
// above the caption, and optionally another picture while the button is held down.
class PictureButton : public QPushButton
{
    Q_OBJECT
public:
    PictureButton(const QString &caption, const QColor &face, const QPixmap &picture,
                  QWidget *parent = nullptr);

    void setDownPicture(const QPixmap &picture) { m_downPicture = picture; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_face;
    QPixmap m_picture;
    QPixmap m_downPicture;
};

} // namespace quorvel
