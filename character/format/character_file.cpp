#include "character/format/character_file.h"

#include "engine/runtime_error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSet>
#include <QSvgRenderer>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <expat.h>
#include <fcntl.h>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

namespace quorvel {

namespace {

constexpr qint64 kMaxPictureBytes = 4 << 20;

[[noreturn]] void fail(RuntimeError::Code code, const QString &path, const QString &problem)
{
    throw RuntimeError::withDetail(
        code, (QDir::toNativeSeparators(path) + QStringLiteral(": ") + problem).toStdString());
}

[[noreturn]] void failFormat(const QString &path, const QString &problem)
{
    fail(RuntimeError::InvalidFileFormat, path, problem);
}

[[noreturn]] void failAccess(const QString &path, const QString &problem)
{
    fail(RuntimeError::PathFileAccessError, path, problem);
}

// Opens a regular file for reading without ever waiting: a FIFO or a device under a character's
// name would otherwise hold the game at its first open() until something writes to it. The check
// is made on the opened descriptor, so the file cannot be swapped between check and read.
// Returns the problem in Italian, or an empty text with the file open.
QString openRegular(const QString &path, QFile &file)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM)
            return QStringLiteral("permesso di lettura negato");
        return QStringLiteral("non si può aprire (%1)")
            .arg(QString::fromLocal8Bit(strerror(error)));
    }
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return QStringLiteral("non è un file normale");
    }
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return QStringLiteral("non si può leggere (%1)").arg(file.errorString());
    }
    return {};
}

bool sameViewBox(QSizeF a, QSizeF b)
{
    auto close = [](double x, double y) {
        return std::abs(x - y) <= 1e-6 * qMax(1.0, std::abs(y));
    };
    return close(a.width(), b.width()) && close(a.height(), b.height());
}

// The drawing area an svg root element declares: its viewBox, or else its width and height in
// user units, as the SVG renderer reads them. Empty when it declares neither in a form we read.
QRectF declaredViewBox(const XML_Char **attributes)
{
    auto value = [attributes](const char *name) {
        for (const XML_Char **a = attributes; a[0] && a[1]; a += 2) {
            if (std::strcmp(a[0], name) == 0)
                return QString::fromUtf8(a[1]).trimmed();
        }
        return QString();
    };
    const QString box = value("viewBox");
    if (!box.isEmpty()) {
        // Numbers apart by blanks or commas; a comma at either end leaves an empty number.
        if (box.startsWith(u',') || box.endsWith(u','))
            return {};
        const QStringList parts = QString(box).replace(u',', u' ').simplified().split(u' ');
        bool ok[4] = {};
        if (parts.size() != 4)
            return {};
        const QRectF rect(parts[0].toDouble(&ok[0]), parts[1].toDouble(&ok[1]),
                          parts[2].toDouble(&ok[2]), parts[3].toDouble(&ok[3]));
        return ok[0] && ok[1] && ok[2] && ok[3] ? rect : QRectF();
    }
    auto length = [&](const char *name) {
        QString text = value(name);
        if (text.endsWith(QLatin1String("px")))
            text.chop(2);
        bool ok = false;
        const double value = text.toDouble(&ok);
        return ok ? value : 0.0;
    };
    return QRectF(0, 0, length("width"), length("height"));
}

// Reads the whole picture as XML, so that a picture cut short or garbled is refused with the
// file; its drawing is parsed only when first shown. Expat, already in the process for
// fontconfig, reads the wizard's sixty pictures several times faster than QXmlStreamReader, and
// the window waits for them at start-up.
QString svgProblem(const QByteArray &text, QSizeF viewBox)
{
    struct Root
    {
        bool seen = false;
        bool svg = false;
        QRectF viewBox;
    } root;
    // With namespaces: element names arrive as "namespace\x01local", and an undeclared prefix is
    // an error, as for the SVG renderer.
    const std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> parser(
        XML_ParserCreateNS(nullptr, '\x01'), &XML_ParserFree);
    if (!parser)
        return QStringLiteral("non si può leggere (memoria esaurita)");
    XML_SetUserData(parser.get(), &root);
    XML_SetStartElementHandler(parser.get(),
                               [](void *data, const XML_Char *name, const XML_Char **attributes) {
                                   auto *root = static_cast<Root *>(data);
                                   if (root->seen)
                                       return;
                                   root->seen = true;
                                   const char *local = std::strrchr(name, '\x01');
                                   root->svg = std::strcmp(local ? local + 1 : name, "svg") == 0;
                                   if (root->svg)
                                       root->viewBox = declaredViewBox(attributes);
                               });
    const bool wellFormed = text.size() <= kMaxPictureBytes
        && XML_Parse(parser.get(), text.constData(), int(text.size()), XML_TRUE) == XML_STATUS_OK;
    if (!wellFormed || !root.svg)
        return QStringLiteral("non è un disegno SVG valido");
    const QRectF own = root.viewBox;
    if (!own.topLeft().isNull() || !sameViewBox(own.size(), viewBox))
        return QStringLiteral("il suo viewBox «%1 %2 %3 %4» non è «0 0 %5 %6» come nel "
                              "personaggio")
            .arg(own.x())
            .arg(own.y())
            .arg(own.width())
            .arg(own.height())
            .arg(viewBox.width())
            .arg(viewBox.height());
    return {};
}

} // namespace

LoadedCharacter::LoadedCharacter() = default;
LoadedCharacter::~LoadedCharacter() = default;

void LoadedCharacter::draw(QPainter &painter, const QList<int> &layers, const QRectF &target) const
{
    for (int layer : layers) {
        QSvgRenderer renderer(pictures[size_t(layer)]);
        renderer.render(&painter, target);
    }
}

QStringList defaultCharacterFolders()
{
    const QString programFolder
        = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    QStringList folders;
    if (!programFolder.isEmpty()) {
        folders.append(
            QDir::cleanPath(programFolder + QStringLiteral("/../share/quorvel/characters")));
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
        // Unreadable files and FIFOs too: a file that is there but cannot be read is an access
        // error for the loader to report, not a missing file.
        const QStringList files = dir.entryList(QDir::Files | QDir::System, QDir::Name);
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

std::unique_ptr<QSvgRenderer> readPicture(const QByteArray &svg, QSizeF viewBox, QString *problem)
{
    // The check made when the file loads, then the parse made when the picture is first drawn.
    *problem = svgProblem(svg, viewBox);
    if (!problem->isEmpty())
        return nullptr;
    return std::make_unique<QSvgRenderer>(svg);
}

namespace {

std::shared_ptr<const LoadedCharacter> readCharacterFile(const QString &path)
{
    auto character = std::make_shared<LoadedCharacter>();
    QFile file;
    if (const QString problem = openRegular(path, file); !problem.isEmpty())
        failAccess(path, problem);
    if (file.size() > kMaxManifestBytes)
        failFormat(path, QStringLiteral("il file supera %1 byte").arg(kMaxManifestBytes));
    // Not read(kMaxManifestBytes): that would allocate a buffer of the largest size allowed.
    const QByteArray json = file.readAll();

    const QFileInfo manifestInfo(path);
    const QString folder = manifestInfo.absoluteDir().canonicalPath();
    std::vector<QByteArray> &pictures = character->pictures;
    const PictureCheck checkPicture = [&](const QString &relative, QSizeF viewBox) -> QString {
        const QFileInfo info(QDir(folder).filePath(relative));
        if (!info.exists())
            return QStringLiteral("il file non esiste");
        const QString canonical = info.canonicalFilePath();
        if (!canonical.startsWith(folder + QLatin1Char('/')))
            return QStringLiteral("il file è fuori dalla cartella del personaggio");
        QFile svg;
        if (QString problem = openRegular(canonical, svg); !problem.isEmpty())
            return problem;
        if (svg.size() > kMaxPictureBytes)
            return QStringLiteral("il file supera %1 byte").arg(kMaxPictureBytes);
        // Kept for the whole run: read into a buffer of its size, where readAll() would leave
        // room to grow (up to twice the text).
        QByteArray text(svg.size(), Qt::Uninitialized);
        if (svg.read(text.data(), text.size()) != text.size())
            return QStringLiteral("non si può leggere (%1)").arg(svg.errorString());
        const QString problem = svgProblem(text, viewBox);
        if (problem.isEmpty())
            pictures.push_back(std::move(text));
        return problem;
    };
    character->model = parseCharacterManifest(json, QDir::toNativeSeparators(path), checkPicture);

    return character;
}

struct Preload
{
    QString path;
    std::future<std::shared_ptr<const LoadedCharacter>> character;
};

std::mutex preloadLock;
std::optional<Preload> preloaded; // until a load takes it
QSet<QString> loadedFiles;

} // namespace

bool preloadCharacterFile(const QString &path)
{
    if (path.isEmpty())
        return false;
    const std::lock_guard lock(preloadLock);
    // Never replaced, which would wait for the read under way; never for a file loaded already,
    // whose next load must see it as it is then.
    if (preloaded || loadedFiles.contains(path))
        return false;
    auto character = std::async(std::launch::async, [path] { return readCharacterFile(path); });
    preloaded = Preload {path, std::move(character)};
    return true;
}

std::shared_ptr<const LoadedCharacter> loadCharacterFile(const QString &path)
{
    std::future<std::shared_ptr<const LoadedCharacter>> character;
    {
        const std::lock_guard lock(preloadLock);
        loadedFiles.insert(path);
        if (preloaded && preloaded->path == path) {
            character = std::move(preloaded->character);
            preloaded.reset();
        }
    }
    // A problem found on the other thread is thrown here, as if the file were read now.
    return character.valid() ? character.get() : readCharacterFile(path);
}

} // namespace quorvel
