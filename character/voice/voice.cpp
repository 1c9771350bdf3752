#include "character/voice/voice.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QLoggingCategory>

namespace quorvel {

namespace {

Q_LOGGING_CATEGORY(voiceLog, "quorvel.voice")

CreateVoiceEngine *g_linkedIn = nullptr;

// Where the module is looked for: beside the program, where the build and the install put it.
QString moduleFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/')
                           + QStringLiteral(QUORVEL_VOICE_FROM_PROGRAM));
}

CreateVoiceEngine *loadModule()
{
    const QString folder = moduleFolder();
    // Never unloaded: the sound server's client library keeps a thread and state of its own. The
    // object goes with the application (deleting a QLibrary leaves the library loaded), so that
    // the leak checker sees nothing left behind.
    auto *library = new QLibrary(QDir(folder).filePath(QStringLiteral("quorvel_voice")),
                                 QCoreApplication::instance());
    if (auto *create
        = reinterpret_cast<CreateVoiceEngine *>(library->resolve("quorvel_create_voice_engine")))
        return create;
    qCWarning(voiceLog) << "no voice module in" << folder << "-" << library->errorString()
                        << "- the character stays silent";
    delete library;
    return nullptr;
}

} // namespace

Voice::Voice(QObject *parent)
    : QObject(parent)
{
    m_silence.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, &Voice::finished);
}

Voice::~Voice() = default;

void Voice::useEngine(CreateVoiceEngine *create)
{
    g_linkedIn = create;
}

VoiceEngine *Voice::engine()
{
    if (!m_tried) {
        m_tried = true;
        static CreateVoiceEngine *const create = g_linkedIn ? g_linkedIn : loadModule();
        if (create) {
            m_engine.reset(create({[this] { emit voiceStarted(); },
                                   [this](int characters) { emit revealed(characters); },
                                   [this] {
                                       emit finished();
                                   }},
                                  this));
            for (const auto &[text, voice] : std::as_const(m_prepared))
                m_engine->prepare(text, voice);
        }
        m_prepared.clear();
    }
    return m_engine.get();
}

void Voice::prepare(const QString &text, const VoiceSettings &voice)
{
    // Not a reason to load the module: the first texts are prepared before the window shows.
    if (m_tried) {
        if (m_engine)
            m_engine->prepare(text, voice);
    } else {
        m_prepared.append({text, voice});
    }
}

void Voice::say(const QString &text, const VoiceSettings &voice, bool aloud)
{
    VoiceEngine *voiceEngine = aloud ? engine() : nullptr;
    if (voiceEngine) {
        voiceEngine->say(text, voice);
        return;
    }
    emit voiceStarted();
    emit revealed(int(text.size()));
    m_silence.start(voice.readingMs(text));
}

void Voice::stop()
{
    m_silence.stop();
    if (m_engine)
        m_engine->stop();
}

} // namespace quorvel
