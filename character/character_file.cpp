#include "character/character_file.h"

#include "engine/runtime_error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSvgRenderer>

#include <cmath>

namespace quorvel {

namespace {

constexpr qint64 kMaxPictureBytes = 4 << 20;

[[noreturn]] void failFormat(const QString &path, const QString &problem)
{
    const QString text
        = QString::fromStdString(RuntimeError::standardDescription(RuntimeError::InvalidFileFormat))
        + QStringLiteral(": ") + QDir::toNativeSeparators(path) + QStringLiteral(": ") + problem;
    throw RuntimeError(RuntimeError::InvalidFileFormat, text.toStdString());
}

bool sameViewBox(QSizeF a, QSizeF b)
{
    auto close = [](double x, double y) {
        return std::abs(x - y) <= 1e-6 * qMax(1.0, std::abs(y));
    };
    return close(a.width(), b.width()) && close(a.height(), b.height());
}

} // namespace

LoadedCharacter::LoadedCharacter() = default;
LoadedCharacter::~LoadedCharacter() = default;

QStringList defaultCharacterFolders()
{
    QStringList folders;
    if (QCoreApplication::instance()) {
        folders.append(QDir::cleanPath(QCoreApplication::applicationDirPath()
                                       + QStringLiteral("/../share/quorvel/characters")));
    }
    const QString installed = QStringLiteral(QUORVEL_INSTALLED_CHARACTERS);
    if (!folders.contains(QDir::cleanPath(installed)))
        folders.append(QDir::cleanPath(installed));
    return folders;
}

QString findCharacterFile(const QString &loadKey, const QStringList &folders)
{
    const qsizetype cut
        = qMax(loadKey.lastIndexOf(QLatin1Char('\\')), loadKey.lastIndexOf(QLatin1Char('/')));
    const QString name = loadKey.mid(cut + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    for (const QString &folder : folders) {
        const QDir dir(folder);
        const QStringList files = dir.entryList(QDir::Files | QDir::Readable, QDir::Name);
        // The exact spelling first, so that two files differing only in case are told apart.
        if (files.contains(name))
            return dir.filePath(name);
        for (const QString &file : files) {
            if (file.compare(name, Qt::CaseInsensitive) == 0)
                return dir.filePath(file);
        }
    }
    return {};
}

std::shared_ptr<const LoadedCharacter> loadCharacterFile(const QString &path)
{
    auto character = std::make_shared<LoadedCharacter>();
    character->filePath = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        failFormat(path, QStringLiteral("non si può leggere (%1)").arg(file.errorString()));
    if (file.size() > kMaxManifestBytes)
        failFormat(path, QStringLiteral("il file supera %1 byte").arg(kMaxManifestBytes));
    const QByteArray json = file.read(kMaxManifestBytes + 1);

    const QFileInfo manifestInfo(path);
    const QString folder = manifestInfo.absoluteDir().canonicalPath();
    std::vector<std::unique_ptr<QSvgRenderer>> &pictures = character->pictures;
    const PictureCheck checkPicture = [&](const QString &relative, QSizeF viewBox) -> QString {
        const QFileInfo info(QDir(folder).filePath(relative));
        if (!info.exists() || !info.isFile())
            return QStringLiteral("il file non esiste");
        const QString canonical = info.canonicalFilePath();
        if (!canonical.startsWith(folder + QLatin1Char('/')))
            return QStringLiteral("il file è fuori dalla cartella del personaggio");
        if (info.size() > kMaxPictureBytes)
            return QStringLiteral("il file supera %1 byte").arg(kMaxPictureBytes);
        QFile svg(canonical);
        if (!svg.open(QIODevice::ReadOnly))
            return QStringLiteral("non si può leggere (%1)").arg(svg.errorString());
        auto renderer = std::make_unique<QSvgRenderer>(svg.readAll());
        if (!renderer->isValid())
            return QStringLiteral("non è un disegno SVG valido");
        const QRectF own = renderer->viewBoxF();
        if (!own.topLeft().isNull() || !sameViewBox(own.size(), viewBox))
            return QStringLiteral("il suo viewBox «%1 %2 %3 %4» non è «0 0 %5 %6» come nel "
                                  "personaggio")
                .arg(own.x())
                .arg(own.y())
                .arg(own.width())
                .arg(own.height())
                .arg(viewBox.width())
                .arg(viewBox.height());
        pictures.push_back(std::move(renderer));
        return {};
    };
    character->model = parseCharacterManifest(json, QDir::toNativeSeparators(path), checkPicture);

    return character;
}

} // namespace quorvel
