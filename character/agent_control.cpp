// The control the game holds (Agent1) and its collection of characters: loading a character
// file, finding a loaded character by its id.
#include "character/agent.h"

#include "character/format/character_file.h"
#include "engine/runtime_error.h"

#include <QDir>

namespace quorvel {

namespace {

[[noreturn]] void fail(RuntimeError::Code code, const QString &detail)
{
    throw RuntimeError::withDetail(code, detail.toStdString());
}

} // namespace

CharacterCollection::CharacterCollection(AgentControl *control)
    : m_control(control)
{ }

CharacterRequest CharacterCollection::Load(const QString &id, const QString &loadKey)
{
    if (id.trimmed().isEmpty())
        fail(RuntimeError::InvalidProcedureCall, QStringLiteral("manca il nome del personaggio"));
    for (const QPointer<Character> &character : m_characters) {
        if (character && character->id().compare(id, Qt::CaseInsensitive) == 0)
            fail(RuntimeError::InvalidProcedureCall,
                 QStringLiteral("il personaggio «%1» è già caricato").arg(id));
    }
    const QString path = findCharacterFile(loadKey, m_control->characterFolders());
    if (path.isEmpty()) {
        QStringList folders;
        for (const QString &folder : m_control->characterFolders())
            folders.append(QDir::toNativeSeparators(folder));
        fail(RuntimeError::FileNotFound,
             QStringLiteral("«%1» non porta a nessun file di personaggio (cercato in: %2)")
                 .arg(loadKey, folders.join(QStringLiteral("; "))));
    }
    const std::shared_ptr<const LoadedCharacter> loaded = loadCharacterFile(path);
    m_characters.append(new Character(id, loaded, m_control));

    const CharacterRequest request {m_control->nextRequestNumber(),
                                    CharacterAction::load(id, loadKey)};
    const QPointer<AgentControl> control(m_control);
    for (auto signal :
         {&AgentControl::requested, &AgentControl::started, &AgentControl::carriedOut}) {
        if (control)
            emit(control->*signal)(request.action);
    }
    return request;
}

CharacterHandle CharacterCollection::Item(const QString &id) const
{
    for (const QPointer<Character> &character : m_characters) {
        if (character && character->id().compare(id, Qt::CaseInsensitive) == 0)
            return CharacterHandle(character);
    }
    fail(RuntimeError::SubscriptOutOfRange,
         QStringLiteral("il personaggio «%1» non è caricato").arg(id));
}

AgentControl::AgentControl(QObject *parent)
    : AgentControl(defaultCharacterFolders(), parent)
{ }

AgentControl::AgentControl(const QStringList &characterFolders, QObject *parent)
    : QObject(parent)
    , m_folders(characterFolders)
    , m_characters(this)
{ }

AgentControl::~AgentControl()
{
    // Before QObject's own clean-up, while the signals the characters use still exist.
    for (const QPointer<Character> &character : m_characters.m_characters)
        delete character.data();
}

} // namespace quorvel
