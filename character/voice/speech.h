#pragma once

#include "character/format/manifest.h"

#include <QByteArray>
#include <QFuture>
#include <QList>
#include <QString>

namespace quorvel {

// When a word starts in the sound, and where it is in the text as written.
struct WordMark
{
    int ms = 0;
    int start = 0; // index into the written text
    int length = 0;
};

struct Utterance
{
    QByteArray samples; // signed 16-bit mono, native byte order
    int sampleRate = 0;
    QList<WordMark> words;
    QString problem; // why there is no sound, if there is none

    bool hasSound() const { return sampleRate > 0 && !samples.isEmpty(); }
    int durationMs() const;
};

// The process's one espeak-ng. The library keeps global state and is not re-entrant, so every
// call here takes the same lock; the game only calls it from the speech thread.
namespace speech_engine {

// Synthesises text as the voice would say it (see spokenForm). Never throws: a missing voice or a
// failing synthesis gives an utterance without sound and with the problem.
Utterance synthesise(const QString &text, const VoiceSettings &voice);

// The engine's phonemes for text exactly as given (no rewriting), in espeak-ng's ASCII notation
// or in IPA.
enum class Notation { Ascii, Ipa };
QString phonemes(const QString &text, const QString &language, Notation notation = Notation::Ascii);

} // namespace speech_engine

// Synthesises on the speech thread and returns at once; the future is cancelled if the thread
// goes away first. Needs a QCoreApplication, which owns the thread.
QFuture<Utterance> synthesiseInBackground(const QString &text, const VoiceSettings &voice);

} // namespace quorvel
