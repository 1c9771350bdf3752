#include "character/action.h"

#include <QDebug>

namespace quorvel {

CharacterAction CharacterAction::load(const QString &id, const QString &loadKey)
{
    return {id, Kind::Load, loadKey, {}, 0};
}

CharacterAction CharacterAction::show(const QString &id)
{
    return {id, Kind::Show, {}, {}, 0};
}

CharacterAction CharacterAction::moveTo(const QString &id, int x, int y)
{
    return {id, Kind::MoveTo, {}, QPoint(x, y), 0};
}

CharacterAction CharacterAction::play(const QString &id, const QString &animation)
{
    return {id, Kind::Play, animation, {}, 0};
}

CharacterAction CharacterAction::setHeight(const QString &id, int pixels)
{
    return {id, Kind::Height, {}, {}, pixels};
}

CharacterAction CharacterAction::speak(const QString &id, const QString &text, bool aloud)
{
    return {id, Kind::Speak, text, {}, 0, 0, aloud};
}

CharacterAction CharacterAction::stop(const QString &id, quint64 target)
{
    return {id, Kind::Stop, {}, {}, 0, target};
}

QString describe(const CharacterAction &action)
{
    using Kind = CharacterAction::Kind;
    const QString who = action.character;
    switch (action.kind) {
    case Kind::Load:
        return QStringLiteral("%1.Load(\"%2\")").arg(who, action.text);
    case Kind::Show:
        return QStringLiteral("%1.Show()").arg(who);
    case Kind::MoveTo:
        return QStringLiteral("%1.MoveTo(%2, %3)")
            .arg(who)
            .arg(action.position.x())
            .arg(action.position.y());
    case Kind::Play:
        return QStringLiteral("%1.Play(\"%2\")").arg(who, action.text);
    case Kind::Height:
        return QStringLiteral("%1.Height = %2").arg(who).arg(action.height);
    case Kind::Speak:
        return QString::fromLatin1(action.aloud ? "%1.Speak(\"%2\")" : "%1.Speak(\"%2\", quietly)")
            .arg(who, action.text);
    case Kind::Stop:
        return QStringLiteral("%1.Stop(%2)").arg(who).arg(action.target);
    }
    return who;
}

QDebug operator<<(QDebug debug, const CharacterAction &action)
{
    QDebugStateSaver saver(debug);
    debug.noquote() << describe(action);
    return debug;
}

char *toString(const CharacterAction &action)
{
    return qstrdup(describe(action).toUtf8().constData());
}

} // namespace quorvel
