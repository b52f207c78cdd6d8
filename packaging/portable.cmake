# The portable archive nadilka-VERSION-linux-ARCH.tar.gz: the run folder as game/, a launcher
# and a README, for players on other distributions. Built on request:
#   cmake --build BUILD --target portable
# Only the `portable` target needs it (the credits); scripts/package installs it.
find_program(NADILKA_PYTHON3 python3)
set(NADILKA_PORTABLE_NAME nadilka-${PROJECT_VERSION})
set(NADILKA_PORTABLE_ARCHIVE
  ${CMAKE_BINARY_DIR}/${NADILKA_PORTABLE_NAME}-linux-${CMAKE_SYSTEM_PROCESSOR}.tar.gz)
add_custom_target(portable
  COMMAND ${CMAKE_COMMAND}
    -DGAME_DIR=${NADILKA_GAME_DIR}
    -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
    -DSTAGE=${CMAKE_CURRENT_BINARY_DIR}/portable/${NADILKA_PORTABLE_NAME}
    -DARCHIVE=${NADILKA_PORTABLE_ARCHIVE}
    -DSTRIP=${CMAKE_STRIP}
    -DPYTHON=${NADILKA_PYTHON3}
    -P ${CMAKE_CURRENT_SOURCE_DIR}/make_portable.cmake
  COMMENT "Packing ${NADILKA_PORTABLE_ARCHIVE}"
  VERBATIM)
add_dependencies(portable nadilka)
foreach(dep pictures fonts music)
  if(TARGET ${dep})
    add_dependencies(portable ${dep})
  endif()
endforeach()
