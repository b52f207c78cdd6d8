#pragma once
// The length of a Standard MIDI File, read from its events: a synthesiser keeps reporting a
// piece as playing for seconds after its last note (the release of the sound), so the end of a
// piece's plays is known only from the file itself.
#include <string_view>

#include "platform/report.h"

namespace nad {

// Milliseconds from the start of the piece to its last event (the end of its longest track),
// with every tempo change applied; a failure when the bytes are not a MIDI file that can be read
// to its end.
Result<double> midiLengthMs(std::string_view fileBytes);

} // namespace nad
