// libFuzzer target: arbitrary text through the pronunciation rewrite. The spoken text must lead
// back into the written one, in order, or the balloon would show the wrong words.

#include "character/voice/pronunciation.h"

#include <cstdint>
#include <cstdlib>

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString written
        = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const SpokenText spoken = spokenForm(written);
    if (spoken.source.size() != spoken.text.size() || spoken.text.size() < written.size())
        std::abort();
    int previous = -1;
    for (int index : spoken.source) {
        if (index < previous || index < 0 || index >= written.size())
            std::abort();
        previous = index;
    }
    return 0;
}
