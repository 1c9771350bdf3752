#pragma once

#include <QList>
#include <QString>

namespace quorvel {

// The text handed to the speech engine, with the way back to the text as written: source[i] is
// the index in the written text of the character text[i] (an inserted character points at the
// written character after it).
struct SpokenText
{
    QString text;
    QList<int> source;
};

// Rewrites number words the way an Italian teacher says them, for the speech engine only (the
// balloon shows the text as written):
//  - a compound number word ending in "tre" takes the accent: "ventitre" -> "ventitré";
//  - inside a compound number word a part starting with s ("sei", "sette", "sedici", "sessanta",
//    "settanta") is joined with a hyphen, so that its s stays unvoiced:
//    "settemilasettecentosette" -> "settemila-settecento-sette".
// Everything else is left as it is.
SpokenText spokenForm(const QString &text);

} // namespace quorvel
