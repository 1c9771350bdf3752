// libFuzzer target: arbitrary text as one of a character's pictures, read by QtSvg exactly as the
// character file does, and, when accepted, drawn and outlined as the character's window draws
// its frames. Whatever comes in must be refused with a problem text or drawn without a crash, a
// sanitizer report or an endless loop (libFuzzer's -timeout catches the last).

#include "character/format/character_file.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QSvgRenderer>

#include <bit>
#include <cctype>
#include <cstdint>
#include <cstdlib>

using namespace quorvel;

namespace {

// The shipped character's proportions and size on the screen.
constexpr QSizeF kViewBox(320, 410);
constexpr QSize kShown(160, 205);

// QtSvg itself is not built for coverage, so libFuzzer would see one path through our few lines
// whatever the picture, and boil every corpus down to a handful of scraps. These counters tell it
// what the picture held and how it came out instead: the elements met, each after the one
// before, and how much of the frame was drawn.
__attribute__((used, section("__libfuzzer_extra_counters"))) std::uint8_t extraCounters[4096];

void count(std::size_t feature)
{
    extraCounters[feature % sizeof extraCounters] = 1; // seen or not: how often says little
}

void countElements(const QByteArray &svg)
{
    std::size_t previous = 0;
    for (qsizetype i = svg.indexOf('<'); i >= 0; i = svg.indexOf('<', i + 1)) {
        qsizetype end = i + 1;
        while (end < svg.size()
               && (std::isalnum(static_cast<unsigned char>(svg[end])) || svg[end] == ':'))
            ++end;
        const std::size_t element = qHash(svg.mid(i + 1, end - i - 1)) % 1024;
        count(element);
        count(1024 + (element * 31 + previous) % 2048);
        previous = element;
    }
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Text in a picture needs fonts, and fonts need the application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    // QtSvg warns about every flaw it meets: millions of lines that would bury the one report.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray svg(reinterpret_cast<const char *>(data), qsizetype(size));
    QString problem;
    const std::unique_ptr<QSvgRenderer> picture = readPicture(svg, kViewBox, &problem);
    countElements(svg);
    if (!picture) {
        require(!problem.isEmpty());
        count(3072 + qHash(problem.left(12)) % 16);
        return 0;
    }
    QImage image(kShown, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        picture->render(&painter, QRectF(QPointF(0, 0), kShown));
    }
    const QRegion outline(QBitmap::fromImage(image.createAlphaMask(Qt::ThresholdAlphaDither)));
    require(QRect(QPoint(0, 0), kShown).contains(outline.boundingRect()) || outline.isEmpty());
    count(3100 + std::bit_width(std::size_t(outline.rectCount())));
    count(3200
          + std::bit_width(
              std::size_t(outline.boundingRect().width() * outline.boundingRect().height())));
    return 0;
}
