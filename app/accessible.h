#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace quorvel {

class Abacus;

// What a screen reader finds in the window beyond the controls' own names: captions in front of
// bare numbers, the abacus's beads as words, and nothing of the controls the game never shows.
namespace accessible {

// A bare number or a verdict does not say what it is: the label reads with its caption in front,
// "Risposte esatte: 3". To be called before the label's first text.
void setCaption(QLabel *label, const char *caption, const char *description);

// The controls the game keeps hidden (the number and its words among them) are no part of what a
// screen reader finds inside this widget.
void hideHiddenChildren(QWidget *client);

// A leaf over the abacus: the drawing itself has children in front of it, and a screen reader's
// review of the screen reads leaves only.
QWidget *abacusReading(QWidget *client);

// Moves the focus to TARGET and has a screen reader say TEXT with it, once. Orca 43 speaks a
// newly focused control's description, but no label's new text: there TEXT is TARGET's
// description. Orca 48 keeps what it read of a control's description for up to two seconds, so a
// second verdict given that way within them would be read as the first: where Qt can announce
// (6.8), TEXT is an announcement after the focus, and TARGET keeps its own description.
void focusSaying(QWidget *target, const QString &text);

// The beads of each rod as a place-value exercise, "migliaia 3, centinaia 9, decine 8, unità 2".
QString beadCounts(const Abacus &abacus);

} // namespace accessible
} // namespace quorvel
