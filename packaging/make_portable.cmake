# Stages and packs the portable archive; run by the `portable` target (portable.cmake).
# The archive holds one folder, so it unpacks cleanly anywhere. Owners and order inside are fixed
# and gzip stores no time, so with SOURCE_DATE_EPOCH set the same build gives the same archive.
foreach(var GAME_DIR SOURCE_DIR STAGE ARCHIVE STRIP PYTHON)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_portable.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/game)
file(COPY ${GAME_DIR}/nadilka ${GAME_DIR}/pictures ${GAME_DIR}/fonts ${GAME_DIR}/menu.mid ${GAME_DIR}/game.mid
  DESTINATION ${STAGE}/game)
# The pristine table, not whatever was played in the build's run folder.
file(COPY ${SOURCE_DIR}/assets/extract.ext DESTINATION ${STAGE}/game)
file(COPY ${SOURCE_DIR}/packaging/portable/nadilka ${SOURCE_DIR}/packaging/portable/README.txt ${SOURCE_DIR}/LICENSE
  DESTINATION ${STAGE})
# The credits with the licence texts of the others' work inside (the fonts), from packaging/credits.toml.
execute_process(
  COMMAND ${PYTHON} ${SOURCE_DIR}/packaging/credits.py text --place archive --out ${STAGE}/CREDITS.txt
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${STRIP} --strip-unneeded ${STAGE}/game/nadilka COMMAND_ERROR_IS_FATAL ANY)

get_filename_component(parent ${STAGE} DIRECTORY)
get_filename_component(top ${STAGE} NAME)
set(mtime)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(mtime --mtime=@$ENV{SOURCE_DATE_EPOCH} --clamp-mtime)
endif()
execute_process(
  COMMAND tar --sort=name --owner=0 --group=0 --numeric-owner --mode=go-w ${mtime} -C ${parent} -cf - ${top}
  COMMAND gzip -9n
  OUTPUT_FILE ${ARCHIVE}
  COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Portable archive: ${ARCHIVE}")
