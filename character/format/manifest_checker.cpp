#include "character/format/manifest_checker.h"

#include "engine/runtime_error.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace quorvel {

namespace {

// Letters, digits, _ and -, 1 to 64 of them; checked by hand, like the manifest's other patterns.
bool isName(const QString &name)
{
    return !name.isEmpty() && name.size() <= 64
        && std::all_of(name.begin(), name.end(), [](QChar c) {
               return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')
                   || (c >= u'0' && c <= u'9') || c == u'_' || c == u'-';
           });
}

} // namespace

void ManifestChecker::fail(const QString &where, const QString &problem) const
{
    QString detail = m_fileName + QStringLiteral(": ");
    if (!where.isEmpty())
        detail += where + QStringLiteral(": ");
    throw RuntimeError::withDetail(RuntimeError::InvalidFileFormat,
                                   (detail + problem).toStdString());
}

QJsonObject ManifestChecker::object(const QJsonValue &value, const QString &where,
                                    std::initializer_list<const char *> keys) const
{
    if (!value.isObject())
        fail(where, QStringLiteral("deve essere un oggetto JSON"));
    QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key() == QLatin1String("comment")) {
            if (!it.value().isString())
                fail(join(where, it.key()), QStringLiteral("deve essere un testo"));
            continue;
        }
        bool known = false;
        for (const char *key : keys)
            known = known || it.key() == QLatin1String(key);
        if (!known)
            fail(join(where, it.key()), QStringLiteral("campo sconosciuto"));
    }
    return object;
}

QJsonValue ManifestChecker::required(const QJsonObject &object, const QString &where,
                                     const char *key) const
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined())
        fail(join(where, QLatin1String(key)), QStringLiteral("campo obbligatorio mancante"));
    return value;
}

int ManifestChecker::integer(const QJsonValue &value, const QString &where, int min, int max) const
{
    if (!value.isDouble())
        fail(where, QStringLiteral("deve essere un numero intero"));
    const double number = value.toDouble();
    if (number != std::floor(number))
        fail(where, QStringLiteral("deve essere un numero intero"));
    if (number < min || number > max)
        fail(where, QStringLiteral("%1 non è tra %2 e %3").arg(number).arg(min).arg(max));
    return int(number);
}

void ManifestChecker::optionalInteger(const QJsonObject &object, const QString &where,
                                      const char *key, int min, int max, int &target) const
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isUndefined())
        target = integer(value, join(where, QLatin1String(key)), min, max);
}

QString ManifestChecker::string(const QJsonValue &value, const QString &where, int minLength,
                                int maxLength) const
{
    if (!value.isString())
        fail(where, QStringLiteral("deve essere un testo"));
    const QString text = value.toString();
    if (text.size() < minLength || text.size() > maxLength)
        fail(where,
             QStringLiteral("il testo deve avere da %1 a %2 caratteri")
                 .arg(minLength)
                 .arg(maxLength));
    return text;
}

QString ManifestChecker::name(const QString &text, const QString &where) const
{
    if (!isName(text))
        fail(where,
             QStringLiteral("«%1» non è un nome valido (da 1 a 64 lettere, cifre, _ o -)")
                 .arg(text.left(80)));
    return text;
}

QJsonArray ManifestChecker::array(const QJsonValue &value, const QString &where, int minCount,
                                  int maxCount) const
{
    if (!value.isArray())
        fail(where, QStringLiteral("deve essere una lista"));
    const QJsonArray array = value.toArray();
    if (array.size() < minCount || array.size() > maxCount)
        fail(where,
             QStringLiteral("deve avere da %1 a %2 elementi, ne ha %3")
                 .arg(minCount)
                 .arg(maxCount)
                 .arg(array.size()));
    return array;
}

QString ManifestChecker::join(const QString &where, const QString &key)
{
    return where.isEmpty() ? key : where + QLatin1Char('.') + key;
}

} // namespace quorvel
