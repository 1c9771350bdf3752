#pragma once

#include <QList>
#include <QString>

namespace quorvel {

// The text handed to espeak-ng, with the way back to the text as written: source[i] is the index
// in the written text of the character text[i] (an inserted character points at the written
// character after it).
struct SpokenText
{
    QString text;
    QList<int> source;
};

// Rewrites number words the way an Italian teacher says them, for espeak-ng only (the balloon
// shows the text as written). espeak-ng reads each hyphen-joined part of a word with a stress of
// its own and no pause, so a compound number word is cut into stress groups:
//  - after "mille", "mila", "milione", "milioni", "miliardo", "miliardi": "duemila-uno" rather
//    than the diphthong of "duemilauno", and no syllable lost after the millions;
//  - after "cento", unless a scale word follows ("cento-sei", but "centomila");
//  - before a part starting with s, whose s stays unvoiced ("settemila-settecento-sette");
//  - a final "tre" takes its accent ("ventitré"), and so does "venti" last or before a cut
//    ("vénti"), and a final "nove" not cut off ("ventinòve"), where espeak-ng would stress the
//    wrong syllable.
// Everything else is left as it is.
SpokenText spokenForm(const QString &text);

} // namespace quorvel
