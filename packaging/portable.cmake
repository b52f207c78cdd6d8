# The portable archive nadilka-VERSION-linux-ARCH.tar.gz: the run folder as game/, a launcher
# and a README, for players on other distributions. Built on request:
#   cmake --build BUILD --target portable
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
    -DFONT_COPYRIGHT=/usr/share/doc/fonts-liberation2/copyright
    -P ${CMAKE_CURRENT_SOURCE_DIR}/make_portable.cmake
  COMMENT "Packing ${NADILKA_PORTABLE_ARCHIVE}"
  VERBATIM)
add_dependencies(portable nadilka)
foreach(dep pictures fonts music)
  if(TARGET ${dep})
    add_dependencies(portable ${dep})
  endif()
endforeach()
