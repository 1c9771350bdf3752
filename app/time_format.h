#pragma once

#include <QLocale>
#include <QString>

namespace quorvel {

// The locale's long time format (as a rule hours, minutes and seconds, in the locale's own order
// and with its own separators and day-period marks) without the time zone Qt adds to it.
QString longTimeFormatWithoutZone(const QLocale &locale);

} // namespace quorvel
