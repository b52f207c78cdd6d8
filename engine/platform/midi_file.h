#pragma once
// The length of a Standard MIDI File, read from its events: a synthesiser keeps reporting a
// piece as playing for seconds after its last note (the release of the sound), so the end of a
// piece's plays is known only from the file itself.
#include <string_view>

namespace nad {

// Milliseconds from the start of the piece to its last event (the end of its longest track),
// with every tempo change applied. Negative when the bytes are not a MIDI file that can be read
// to its end.
double MidiLengthMs(std::string_view fileBytes);

} // namespace nad
