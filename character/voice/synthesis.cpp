#include "character/voice/synthesis.h"

#include "character/voice/pronunciation.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QPromise>
#include <QSemaphore>
#include <QStringList>
#include <QThread>

#include <espeak-ng/espeak_ng.h>

#include <functional>
#include <memory>

namespace quorvel {

int Utterance::durationMs() const
{
    if (sampleRate <= 0)
        return 0;
    return int(qint64(samples.size() / 2) * 1000 / sampleRate);
}

namespace {

// Room enough for the sound of a text (as spoken) at the voice's rate, from its length. Only a
// guess: a longer sound still fits, after a copy.
qsizetype soundBytesFor(const QString &text, const VoiceSettings &voice, int sampleRate)
{
    // espeak-ng's words average some six characters with their space, so four a word leaves
    // room, and a second more for the pauses at the ends and between sentences.
    const qint64 ms = 1000 + qint64(text.size()) * 60000 / (4 * qMax(voice.rate, 80));
    return qsizetype(ms * sampleRate / 1000 * 2);
}

Q_LOGGING_CATEGORY(voiceLog, "quorvel.voice")

// A speech longer than this is cut: the balloon still shows the whole text.
constexpr int kMaxSeconds = 300;

struct Collector
{
    QByteArray samples;
    QList<espeak_EVENT> words;
    qint64 maxBytes = 0;
    std::function<bool()> cancelled;
};

// The process's one espeak-ng, and what it has been set to.
struct Espeak
{
    QMutex lock;
    bool tried = false;
    int sampleRate = 0;
    QString problem;
    QString voice;
    Collector *collector = nullptr;
};

Espeak &espeak()
{
    // Never destroyed: a speech thread left behind at the program's end (see SpeechThread) may
    // still hold it.
    static Espeak *const instance = new Espeak;
    return *instance;
}

// Called by espeak-ng from inside espeak_ng_Synthesize, under its lock.
int collect(short *wav, int count, espeak_EVENT *events)
{
    Collector *collector = espeak().collector;
    if (!collector)
        return 1;
    if (wav && count > 0)
        collector->samples.append(reinterpret_cast<const char *>(wav), qsizetype(count) * 2);
    for (espeak_EVENT *event = events; event && event->type != espeakEVENT_LIST_TERMINATED;
         ++event) {
        if (event->type == espeakEVENT_WORD)
            collector->words.append(*event);
    }
    const bool stop = collector->samples.size() > collector->maxBytes
        || (collector->cancelled && collector->cancelled());
    return stop ? 1 : 0;
}

// Both need the lock held.
bool initialise(Espeak &e)
{
    if (!e.tried) {
        e.tried = true;
        // Samples handed to collect(), no playback. espeak-ng 1.51 still opens an audio device
        // here, which it never plays on (see SpeechThread); later versions open none.
        espeak_ng_InitializePath(nullptr);
        espeak_ng_ERROR_CONTEXT context = nullptr;
        if (espeak_ng_Initialize(&context) == ENS_OK
            && espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr) == ENS_OK) {
            e.sampleRate = espeak_ng_GetSampleRate();
            espeak_SetSynthCallback(collect);
        } else {
            e.problem = QStringLiteral("espeak-ng non si avvia (mancano i suoi dati?)");
        }
        espeak_ng_ClearErrorContext(&context);
    }
    return e.sampleRate > 0;
}

// A language's voice file under espeak-ng's lang/ folder, or empty. By the bare language ("it")
// espeak-ng finds a voice only through the list of all its voices, which it builds by reading
// every voice file it has (some 360): 3-9 ms before the greeting's first word, and the list kept
// in memory. Named by its file, the voice is the same, read alone.
QByteArray voiceFile(const QString &language)
{
    const char *dataPath = nullptr;
    espeak_Info(&dataPath);
    if (!dataPath || language.isEmpty() || language.contains(u'/') || language.contains(u'\\')
        || language.startsWith(u'.'))
        return {};
    const QDir lang(QFile::decodeName(dataPath) + QLatin1String("/lang"));
    for (const QString &family : lang.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString path = lang.filePath(family + u'/' + language);
        if (QFileInfo(path).isFile())
            return QFile::encodeName(path);
    }
    return {};
}

bool selectVoice(Espeak &e, const QString &language)
{
    if (e.voice == language)
        return true;
    const QByteArray file = voiceFile(language);
    const QByteArray name = language.toUtf8();
    if ((file.isEmpty() || espeak_ng_SetVoiceByFile(file.constData()) != ENS_OK)
        && espeak_ng_SetVoiceByName(name.constData()) != ENS_OK) {
        espeak_VOICE wanted {};
        wanted.languages = name.constData();
        if (espeak_ng_SetVoiceByProperties(&wanted) != ENS_OK) {
            e.voice.clear();
            return false;
        }
    }
    e.voice = language;
    return true;
}

void shutdownEspeak()
{
    Espeak &e = espeak();
    QMutexLocker locker(&e.lock);
    if (e.sampleRate > 0)
        espeak_ng_Terminate();
    e.tried = false;
    e.sampleRate = 0;
    e.voice.clear();
}

// Word events count code points from 1 in the text handed to espeak-ng; turn them into spans
// of the written text, so that the balloon can show what has been said.
QList<WordMark> marksInWrittenText(const SpokenText &spoken, const QList<espeak_EVENT> &events)
{
    QList<int> utf16OfCodePoint;
    for (int i = 0; i < spoken.text.size(); ++i) {
        utf16OfCodePoint.append(i);
        if (spoken.text[i].isHighSurrogate() && i + 1 < spoken.text.size())
            ++i;
    }
    QList<WordMark> marks;
    const int count = int(utf16OfCodePoint.size());
    for (const espeak_EVENT &event : events) {
        const int first = event.text_position - 1;
        const int last = first + qMax(event.length, 1) - 1;
        if (first < 0 || first >= count)
            continue;
        const int start = spoken.source[utf16OfCodePoint[first]];
        const int end = spoken.source[utf16OfCodePoint[qMin(last, count - 1)]] + 1;
        marks.append({qMax(event.audio_position, 0), start, qMax(end - start, 1)});
    }
    return marks;
}

// espeak-ng opens and closes every text with silence, and ends it with a clause pause: between
// two texts the pupil would hear both as dead air. Where an end is trimmed, keep a breath of it.
void trimSilence(Utterance &utterance, Trim trim)
{
    constexpr int kQuiet = 64; // of 32767
    constexpr int kLeadMs = 10;
    constexpr int kTailMs = 40;
    const auto *samples = reinterpret_cast<const qint16 *>(utterance.samples.constData());
    const qsizetype count = utterance.samples.size() / 2;
    qsizetype first = 0;
    while (first < count && qAbs(int(samples[first])) < kQuiet)
        ++first;
    if (first == count)
        return; // all quiet: nothing to hold on to
    qsizetype last = count - 1;
    while (last > first && qAbs(int(samples[last])) < kQuiet)
        --last;
    const qsizetype perMs = utterance.sampleRate / 1000;
    first = trim.lead ? qMax(qsizetype(0), first - kLeadMs * perMs) : 0;
    last = trim.tail ? qMin(count - 1, last + kTailMs * perMs) : count - 1;
    // In place: a copy would hold the sound twice at the moment he starts speaking.
    utterance.samples.truncate((last + 1) * 2);
    utterance.samples.remove(0, first * 2);
    const int shiftMs = int(first * 1000 / utterance.sampleRate);
    for (WordMark &word : utterance.words)
        word.ms = qMax(0, word.ms - shiftMs);
}

Utterance synthesiseWith(const QString &text, const VoiceSettings &voice, Trim trim,
                         std::function<bool()> cancelled)
{
    Espeak &e = espeak();
    QMutexLocker locker(&e.lock);
    Utterance utterance;
    if (!initialise(e)) {
        utterance.problem = e.problem;
        return utterance;
    }
    if (!selectVoice(e, voice.language)) {
        utterance.problem = QStringLiteral("espeak-ng non ha la voce «%1»").arg(voice.language);
        return utterance;
    }
    espeak_ng_SetParameter(espeakRATE, voice.rate, 0);
    espeak_ng_SetParameter(espeakPITCH, voice.pitch, 0);

    const SpokenText spoken = spokenForm(text);
    const QByteArray utf8 = spoken.text.toUtf8();
    Collector collector;
    collector.maxBytes = qint64(e.sampleRate) * 2 * kMaxSeconds;
    // Grown by appending, the sound would be copied at each doubling, the old and the new copy
    // side by side, and the smaller ones left behind in this thread's heap. Pages reserved and
    // never written cost nothing.
    collector.samples.reserve(
        qMin(soundBytesFor(spoken.text, voice, e.sampleRate), collector.maxBytes));
    collector.cancelled = std::move(cancelled);
    e.collector = &collector;
    // Plain text only: no SSML tags, no [[phoneme]] escapes from whatever the game says.
    const espeak_ng_STATUS result
        = espeak_ng_Synthesize(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                               espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, nullptr);
    e.collector = nullptr;
    // Stopped by collect() (cut, or cancelled) is not a failure.
    if (result != ENS_OK && result != ENS_SPEECH_STOPPED) {
        utterance.problem
            = QStringLiteral("la sintesi non è riuscita (codice %1)").arg(uint(result), 0, 16);
        return utterance;
    }
    utterance.samples = std::move(collector.samples);
    utterance.sampleRate = e.sampleRate;
    utterance.words = marksInWrittenText(spoken, collector.words);
    trimSilence(utterance, trim);
    return utterance;
}

// How long the end of the application waits for the speech thread: a sentence's synthesis
// takes milliseconds.
constexpr int kEndWaitMs = 500;

class Runner : public QThread
{
public:
    Runner() { setObjectName(QStringLiteral("quorvel-speech")); }

    QSemaphore ready;
    QObject *worker = nullptr; // lives on the thread: what is queued to it runs there

protected:
    void run() override
    {
        QObject here;
        worker = &here;
        ready.release();
        exec();
        shutdownEspeak();
    }
};

// The thread espeak-ng runs on, ended with the application, but never waited for without end.
// espeak-ng 1.51 opens an audio device of its own when it starts, though it never plays on it
// (libpcaudio asks the sound server for a stream), and a server that takes the connection but
// answers nothing holds the thread there: 30 s, the client library's timeout, or for good. Nothing
// waits for the thread meanwhile: the window hears of each synthesis when it is done, and speaks
// silently when one is late (SpeechPlayer). At the end, a thread still stuck after a sentence's
// synthesis time is left behind, and the process ends around it; a QThread must not be destroyed
// while it runs, so it is not.
class SpeechThread : public QObject
{
public:
    explicit SpeechThread(QObject *parent)
        : QObject(parent)
        , m_thread(new Runner)
    {
        m_thread->start();
        m_thread->ready.acquire();
    }

    ~SpeechThread() override
    {
        m_thread->quit();
        if (m_thread->wait(QDeadlineTimer(kEndWaitMs)))
            delete m_thread;
        else
            qCWarning(voiceLog) << "the speech thread has not ended (a sound server that does not "
                                   "answer?): left behind";
    }

    QObject *worker() const { return m_thread->worker; }

private:
    Runner *m_thread;
};

SpeechThread *speechThread()
{
    // Only touched from the thread of the application object.
    static QPointer<SpeechThread> thread;
    if (!thread && QCoreApplication::instance())
        thread = new SpeechThread(QCoreApplication::instance());
    return thread;
}

} // namespace

Utterance synthesise(const QString &text, const VoiceSettings &voice)
{
    return synthesiseWith(text, voice, {}, {});
}

QString phonemes(const QString &text, const QString &language, Notation notation)
{
    Espeak &e = espeak();
    QMutexLocker locker(&e.lock);
    if (!initialise(e) || !selectVoice(e, language))
        return {};
    const QByteArray utf8 = text.toUtf8();
    const void *position = utf8.constData();
    QStringList clauses;
    while (position) {
        const char *phonemes = espeak_TextToPhonemes(
            &position, espeakCHARS_UTF8, notation == Notation::Ipa ? espeakPHONEMES_IPA : 0);
        if (phonemes)
            clauses.append(QString::fromUtf8(phonemes).trimmed());
    }
    return clauses.join(QLatin1Char(' '));
}

QFuture<Utterance> synthesiseInBackground(const QString &text, const VoiceSettings &voice,
                                          Trim trim)
{
    auto promise = std::make_shared<QPromise<Utterance>>();
    promise->start();
    QFuture<Utterance> future = promise->future();
    SpeechThread *thread = speechThread();
    if (!thread) {
        Utterance none;
        none.problem = QStringLiteral("nessuna applicazione Qt");
        promise->addResult(none);
        promise->finish();
        return future;
    }
    // If the thread ends before this runs, the promise dies with the event and the future is
    // cancelled.
    QMetaObject::invokeMethod(
        thread->worker(),
        [promise, text, voice, trim] {
            if (!promise->isCanceled()) {
                promise->addResult(
                    synthesiseWith(text, voice, trim, [promise] { return promise->isCanceled(); }));
            }
            promise->finish();
        },
        Qt::QueuedConnection);
    return future;
}

} // namespace quorvel
