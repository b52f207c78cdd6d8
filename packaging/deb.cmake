# Debian's games layout, for the .deb package: the program in /usr/games, its data in
# /usr/share/games/nadilka, the fonts and the soundfont from their own Debian packages, a desktop
# entry, icons, AppStream metainfo and a manual page. scripts/package configures a build folder
# of its own with -DNADILKA_DEB_LAYOUT=ON -DCMAKE_INSTALL_PREFIX=/usr and runs cpack, which makes
# nadilka_VERSION_ARCH.deb.
set(NADILKA_DEB_DATA_DIR share/games/nadilka)
set(NADILKA_APPSTREAM_ID cz.brimel_studio.nadilka)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The program looks for its data relative to itself, so the package can be tried out unpacked
# anywhere; the run folder in this build still finds its files beside the executable.
target_compile_definitions(nadilka PRIVATE NADILKA_DATA_DIR="../${NADILKA_DEB_DATA_DIR}")

install(TARGETS nadilka RUNTIME DESTINATION games)
# cpack strips the program; the compiler's version note goes too, as Debian's own tools do.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/games/nadilka\" COMMAND_ERROR_IS_FATAL ANY)
  endif()
")
# No fonts/: the program then takes them from fonts-liberation2.
install(DIRECTORY ${NADILKA_GAME_DIR}/pictures DESTINATION ${NADILKA_DEB_DATA_DIR})
# The pristine table: players' scores go to their own data folders, never here.
install(FILES ${NADILKA_GAME_DIR}/menu.mid ${NADILKA_GAME_DIR}/game.mid ${CMAKE_SOURCE_DIR}/assets/extract.ext
  DESTINATION ${NADILKA_DEB_DATA_DIR})
install(FILES nadilka.metainfo.xml DESTINATION share/metainfo RENAME ${NADILKA_APPSTREAM_ID}.metainfo.xml)

# Debian wants the manual page and the changelog compressed, without a time stamp inside.
find_program(NADILKA_GZIP gzip REQUIRED)
set(NADILKA_DEB_GZIPPED)
foreach(pair "nadilka.6;nadilka.6.gz" "changelog;changelog.gz")
  list(GET pair 0 src)
  list(GET pair 1 out)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${out}
    COMMAND ${NADILKA_GZIP} -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/${src} > ${CMAKE_CURRENT_BINARY_DIR}/${out}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${src})
  list(APPEND NADILKA_DEB_GZIPPED ${CMAKE_CURRENT_BINARY_DIR}/${out})
endforeach()
add_custom_target(deb_docs ALL DEPENDS ${NADILKA_DEB_GZIPPED})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/nadilka.6.gz DESTINATION share/man/man6)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz copyright DESTINATION share/doc/nadilka)
install(FILES lintian-overrides DESTINATION share/lintian/overrides RENAME nadilka)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nadilka)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "BRIMEL studio <nadilka@brimel-studio.cz>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Christmas arcade game: drop the presents into the chimneys")
# CPack puts the summary first and indents the rest; an empty line becomes " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A sleigh flies behind four reindeer over a row of houses on Christmas night.
Drop the presents into the chimneys: the higher you fly, the more a present is
worth. A game lasts 130 seconds, and the seven best results go into the
high-score table.

All texts of the game are in Czech.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.brimel-studio.cz/nadilka/")
# The libraries (SDL2, SDL2_ttf, SDL2_mixer, the C++ runtime) from dpkg-shlibdeps; the files the
# program opens by name from the packages that hold them; xdg-utils opens the menu's links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, timgm6mb-soundfont | sf2-soundfont-gm, xdg-utils")
# The pause box is drawn by SDL with the X server's core fonts; an X server without them shows no box.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xfonts-base")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
