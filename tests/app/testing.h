#pragma once

// What the window's tests share: the seams pointing the window at the built character, and a
// pupil's hand for the message boxes the game opens.
#include "app/tavola.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace quorvel::testing {

inline Tavola::Seams seams(std::function<int()> numbers = {})
{
    return {.characterFolders = {QStringLiteral(QUORVEL_BUILD_CHARACTERS)},
            .numbers = std::move(numbers),
            .agentCreated = {}};
}

// Answers the next message box that opens with the given button, after letting `look` see it.
inline void answerNextBox(QMessageBox::StandardButton answer,
                          std::function<void(QMessageBox *)> look = {})
{
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, look] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer->deleteLater();
        timer->stop();
        if (look)
            look(box);
        box->button(answer)->click();
    });
    timer->start(5);
}

// Answers, and counts, every box titled `title...` that opens while `rescuer` runs: a fault then
// fails the test at its count rather than leaving it waiting forever.
inline void answerEveryBox(QTimer &rescuer, int &count, const QString &title = {})
{
    QObject::connect(&rescuer, &QTimer::timeout, &rescuer, [&count, title] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->windowTitle().startsWith(title))
            return;
        ++count;
        const auto buttons = box->standardButtons();
        box->button(buttons & QMessageBox::Ok ? QMessageBox::Ok : QMessageBox::Yes)->click();
    });
}

} // namespace quorvel::testing
