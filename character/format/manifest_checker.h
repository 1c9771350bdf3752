#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <initializer_list>

class QJsonArray;

namespace quorvel {

// Walks a character manifest and throws RuntimeError(InvalidFileFormat) at the first problem,
// naming where it is ("animations.Idle.frames[2].duration") so that the artist can find it.
class ManifestChecker
{
public:
    explicit ManifestChecker(const QString &fileName)
        : m_fileName(fileName)
    { }

    [[noreturn]] void fail(const QString &where, const QString &problem) const;
    // An object with only these keys (and an optional "comment" text).
    QJsonObject object(const QJsonValue &value, const QString &where,
                       std::initializer_list<const char *> keys) const;
    QJsonValue required(const QJsonObject &object, const QString &where, const char *key) const;
    int integer(const QJsonValue &value, const QString &where, int min, int max) const;
    void optionalInteger(const QJsonObject &object, const QString &where, const char *key, int min,
                         int max, int &target) const;
    QString string(const QJsonValue &value, const QString &where, int minLength,
                   int maxLength) const;
    // 1 to 64 letters, digits, _ or -.
    QString name(const QString &text, const QString &where) const;
    QJsonArray array(const QJsonValue &value, const QString &where, int minCount,
                     int maxCount) const;

    static QString join(const QString &where, const QString &key);

private:
    QString m_fileName;
};

} // namespace quorvel
