// Which keys fire the window's KeyPress, and with which code, for the keys a pupil may press in
// the answer box; the texts are those X11 sends with them.
#include "app/key_ascii.h"

#include <QTest>

using namespace quorvel;

class KeyAsciiTest : public QObject
{
    Q_OBJECT

private slots:
    void keyPressFiresForCharactersOnly_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code"); // 0: KeyPress does not fire

        const Qt::KeyboardModifiers none;
        auto row = [](const char *name, int key, Qt::KeyboardModifiers modifiers,
                      const QString &text, int code) {
            QTest::newRow(name) << key << modifiers << text << code;
        };
        row("digit", Qt::Key_7, none, "7", '7');
        row("keypad digit", Qt::Key_7, Qt::KeypadModifier, "7", '7');
        row("accented letter", Qt::Key_Egrave, none, QString::fromUtf8("è"), 0xe8);
        row("AltGr+è", Qt::Key_BracketLeft, Qt::GroupSwitchModifier, "[", '[');
        row("Ctrl+Alt as AltGr", Qt::Key_BracketLeft, Qt::ControlModifier | Qt::AltModifier, "[",
            '[');
        row("Enter", Qt::Key_Return, none, "\r", 13);
        row("keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, "\r", 13);
        row("Ctrl+Enter", Qt::Key_Return, Qt::ControlModifier, "\r", 10);
        row("Backspace", Qt::Key_Backspace, none, "\b", 8);
        row("Ctrl+Backspace", Qt::Key_Backspace, Qt::ControlModifier, "\b", 127);
        row("Escape", Qt::Key_Escape, none, "\x1b", 27);
        row("Ctrl+Shift+Z without text", Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "",
            26);
        row("Ctrl+digit", Qt::Key_1, Qt::ControlModifier, "1", 0);
        row("Tab", Qt::Key_Tab, none, "\t", 0);
        row("Shift+Tab", Qt::Key_Backtab, Qt::ShiftModifier, "", 0);
        row("Delete", Qt::Key_Delete, none, "\x7f", 0);
        row("Left", Qt::Key_Left, none, "", 0);
        row("Alt+letter", Qt::Key_Q, Qt::AltModifier, "q", 0);
        row("logo key+letter", Qt::Key_E, Qt::MetaModifier, "e", 0);
    }

    void keyPressFiresForCharactersOnly()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, text);
        QFETCH(int, code);
        QCOMPARE(keyAscii(key, modifiers, text).value_or(0), code);
    }
};

QTEST_APPLESS_MAIN(KeyAsciiTest)

#include "tst_key_ascii.moc"
