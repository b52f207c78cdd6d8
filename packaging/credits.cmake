# The site's credits page (credits.html), written from packaging/credits.toml by credits.py with
# the licence texts of Debian's packages and npm's. Included by web/CMakeLists.txt where the site is
# put together: adds the page to SITE_FILES.
find_program(NADILKA_PYTHON3 python3 REQUIRED)
add_custom_command(OUTPUT ${SITE}/credits.html
  COMMAND ${NADILKA_PYTHON3} ${CMAKE_SOURCE_DIR}/packaging/credits.py html --place site --npm ${NPM_MODULES}
          --out ${SITE}/credits.html
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/credits.py ${CMAKE_SOURCE_DIR}/packaging/credits.toml
          ${CMAKE_SOURCE_DIR}/LICENSE
  COMMENT "Writing the site's credits and licences"
  VERBATIM)
list(APPEND SITE_FILES ${SITE}/credits.html)
