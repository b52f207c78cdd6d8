# Turns one ABC file into one General MIDI file with abc2midi, quietly.
#
#   cmake -DABC2MIDI=/usr/bin/abc2midi -DABC_FILE=menu.abc -DMIDI_FILE=menu.mid -P abc2mid.cmake
#
# abc2midi talks on stdout even when all is well and exits 0 even when a bar
# has the wrong length or two voices drift apart; it only prints a warning.
# A drifting voice is a wrong note in the game, so here every warning or
# error fails the build, with abc2midi's own words shown; otherwise nothing
# is printed.

foreach(var ABC2MIDI ABC_FILE MIDI_FILE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "abc2mid.cmake: ${var} is not set")
  endif()
endforeach()

if(NOT EXISTS "${ABC2MIDI}")
  message(FATAL_ERROR
    "abc2midi is not installed, so the game's music cannot be built from ${ABC_FILE}.\n"
    "Install it with: apt-get install abcmidi")
endif()

get_filename_component(out_dir "${MIDI_FILE}" DIRECTORY)
file(MAKE_DIRECTORY "${out_dir}")
set(tmp "${MIDI_FILE}.tmp")
file(REMOVE "${tmp}")
execute_process(
  COMMAND "${ABC2MIDI}" "${ABC_FILE}" -o "${tmp}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)

if(NOT result EQUAL 0 OR output MATCHES "Warning|Error|error" OR NOT EXISTS "${tmp}")
  file(REMOVE "${tmp}")
  message(FATAL_ERROR "abc2midi could not turn ${ABC_FILE} into ${MIDI_FILE} cleanly (exit ${result}):\n${output}")
endif()
file(RENAME "${tmp}" "${MIDI_FILE}")
