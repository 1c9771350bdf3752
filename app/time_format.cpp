#include "app/time_format.h"

namespace quorvel {

namespace {

bool isBlank(QChar c)
{
    return c.isSpace() || c == QLatin1Char(',');
}

bool opens(QChar c)
{
    return c == QLatin1Char('(') || c == QLatin1Char('[');
}

bool closes(QChar c)
{
    return c == QLatin1Char(')') || c == QLatin1Char(']');
}

} // namespace

QString longTimeFormatWithoutZone(const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    // Formats put the zone last ("HH:mm:ss t", "H:mm:ss (t)", "HH:mm:ss, t") or first
    // ("t HH:mm:ss"); a 't' inside quotes is a word of the locale, not the zone. The zone goes
    // with the blanks, comma and brackets that only set it apart; the locale's own words and
    // marks stay.
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted || format[i] != QLatin1Char('t'))
            continue;
        qsizetype from = i, to = i;
        while (to < format.size() && format[to] == QLatin1Char('t'))
            ++to;
        bool bracketed = false;
        while (from > 0 && (isBlank(format[from - 1]) || opens(format[from - 1]))) {
            bracketed = bracketed || opens(format[from - 1]);
            --from;
        }
        while (to < format.size()
               && ((bracketed && closes(format[to])) || (from == 0 && isBlank(format[to]))))
            ++to;
        format.remove(from, to - from);
        i = from - 1;
    }
    return format.trimmed();
}

} // namespace quorvel
