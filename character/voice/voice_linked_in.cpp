// Test and benchmark programs speak with the voice linked in: they sit in the build tree where the
// game's own search for its module, beside the game, does not reach.
#include "character/voice/voice.h"

namespace {

[[maybe_unused]] const bool linkedIn
    = (quorvel::Voice::useEngine(&quorvel_create_voice_engine), true);

} // namespace
