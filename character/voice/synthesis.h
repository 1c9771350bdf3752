#pragma once

#include "character/format/manifest.h"

#include <QByteArray>
#include <QFuture>
#include <QList>
#include <QString>

// The voice's synthesis: the text as the character says it (spokenForm), turned by espeak-ng into
// sound and the times its words are said. The process has one espeak-ng, which keeps global state
// and is not re-entrant: every call here takes the same lock, and the game only synthesises on
// the speech thread.

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

// Which ends of a sound lose the silence espeak-ng puts there. A sentence said right after another
// keeps its opening silence, one said right before another its closing pause: together they make
// the pause espeak-ng leaves between two sentences of one text.
struct Trim
{
    bool lead = true;
    bool tail = true;
};

// Synthesises on the speech thread and returns at once; the future is cancelled if the thread
// goes away first. Needs a QCoreApplication, which owns the thread.
QFuture<Utterance> synthesiseInBackground(const QString &text, const VoiceSettings &voice,
                                          Trim trim = {});

// The same on the calling thread, for tools and tests. Never throws: a missing voice or a failing
// synthesis gives an utterance without sound and with the problem.
Utterance synthesise(const QString &text, const VoiceSettings &voice);

// espeak-ng's phonemes for text exactly as given (no rewriting), in its ASCII notation or in IPA.
enum class Notation { Ascii, Ipa };
QString phonemes(const QString &text, const QString &language, Notation notation = Notation::Ascii);

} // namespace quorvel
