# The user guide as an HTML page, built from docs/user-guide.md into the build folder's "help"
# folder with the pictures it shows beside it; Varlo opens it in its browser pane (the help
# commands) from there or from where the package installs it.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(VARLO_CMARK cmark REQUIRED)

set(VARLO_HELP_DIR ${CMAKE_BINARY_DIR}/help)
set(VARLO_HELP_PAGE ${VARLO_HELP_DIR}/user-guide.html)
set(VARLO_HELP_IMAGES main-window.png article-preview.png add-site.png update-all.png)
set(VARLO_HELP_OUTPUTS ${VARLO_HELP_PAGE} ${VARLO_HELP_DIR}/user-guide-light.html
  ${VARLO_HELP_DIR}/user-guide-dark.html)
set(VARLO_HELP_SOURCES)
foreach(image ${VARLO_HELP_IMAGES})
  list(APPEND VARLO_HELP_OUTPUTS ${VARLO_HELP_DIR}/${image})
  list(APPEND VARLO_HELP_SOURCES ${CMAKE_SOURCE_DIR}/docs/${image})
endforeach()
add_custom_command(OUTPUT ${VARLO_HELP_OUTPUTS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VARLO_HELP_DIR}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/scripts/build_help.py ${VARLO_CMARK}
    ${CMAKE_SOURCE_DIR}/docs/user-guide.md ${VARLO_HELP_PAGE}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VARLO_HELP_SOURCES} ${VARLO_HELP_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/docs/user-guide.md ${CMAKE_SOURCE_DIR}/scripts/build_help.py
    ${VARLO_HELP_SOURCES}
  VERBATIM)
add_custom_target(varlo_help ALL DEPENDS ${VARLO_HELP_OUTPUTS})
