#pragma once

#include "engine/runtime_error.h"

#include <QApplication>
#include <QString>

#include <exception>

namespace quorvel {

// The program's run-time error report. No handler traps errors: whatever escapes one is caught
// here, shown in a modal box with its number and description, written to stderr, and the program
// ends with a non-zero status once the box is answered. Errors while the box is open go to stderr
// only, so that the first stays to be read.
constexpr int RuntimeErrorExitStatus = 1;

QString runtimeErrorText(const ErrorInfo &info);
[[noreturn]] void reportRuntimeError(std::exception_ptr error);

// Delivers every event inside the report, so an error thrown by any handler (a click, a key, a
// queued call) ends up in the box instead of unwinding through Qt.
class Application : public QApplication
{
    Q_OBJECT
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace quorvel
