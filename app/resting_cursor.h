#pragma once

#include <QObject>
#include <QTimer>

namespace quorvel {

// A text cursor that blinks for ever wakes the program twice a second while the pupil thinks. As
// desktops do, it stops blinking (and stays shown) after a while without a key or a click, and
// blinks again at the next one.
class RestingCursor : public QObject
{
    Q_OBJECT
public:
    explicit RestingCursor(QObject *parent = nullptr);
    ~RestingCursor() override;

    static constexpr int kBlinkForMs = 10000;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTimer m_rest;
    int m_flashTime;
};

} // namespace quorvel
