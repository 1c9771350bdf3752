// Writes what the wizard would say to WAV files, through the game's own synthesis (the spoken
// form, Merlin's voice settings, the trimmed silence), to listen to or look at:
//   say_to_wav FOLDER TEXT...      one FOLDER/N.wav per text, N from 1
#include "character/format/character_file.h"
#include "character/voice/synthesis.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace quorvel;

namespace {

bool writeWav(const QString &path, const Utterance &said)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint32 bytes = quint32(said.samples.size());
    out.writeRawData("RIFF", 4);
    out << quint32(36 + bytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(said.sampleRate)
        << quint32(said.sampleRate * 2) << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << bytes;
    out.writeRawData(said.samples.constData(), int(bytes));
    return out.status() == QDataStream::Ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: say_to_wav FOLDER TEXT...\n");
        return 2;
    }
    const VoiceSettings voice
        = loadCharacterFile(QStringLiteral(QUORVEL_SOURCE_CHARACTERS "/merlin.acs"))->model.voice;
    QDir().mkpath(args[1]);
    for (int i = 2; i < args.size(); ++i) {
        const Utterance said = synthesise(args[i], voice);
        const QString path = QDir(args[1]).filePath(QString::number(i - 1) + ".wav");
        if (!said.hasSound() || !writeWav(path, said)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(args[i]), qPrintable(said.problem));
            return 1;
        }
        std::printf("%s  %d ms  %s\n", qPrintable(path), said.durationMs(), qPrintable(args[i]));
    }
    return 0;
}
