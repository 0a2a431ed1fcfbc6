# The manual page and the changelogs, compressed as Debian keeps them (gzip -9, with no
# name or time stamp inside, so the package is reproducible). They are built with `all`,
# not with the program alone, so ./scripts/run.sh does not wait for them.
set(TESSEL_DOC_DIR ${CMAKE_BINARY_DIR}/doc)
file(MAKE_DIRECTORY ${TESSEL_DOC_DIR}/gz)
configure_file(${PROJECT_SOURCE_DIR}/docs/tessel-html.1.in ${TESSEL_DOC_DIR}/tessel-html.1 @ONLY)

# Each (source, name) pair becomes doc/<name>.gz.
set(TESSEL_DOC_SOURCES
  ${TESSEL_DOC_DIR}/tessel-html.1 tessel-html.1
  ${PROJECT_SOURCE_DIR}/CHANGELOG.md changelog
  ${PROJECT_SOURCE_DIR}/packaging/changelog.Debian changelog.Debian)
set(TESSEL_DOC_FILES)
while(TESSEL_DOC_SOURCES)
  list(POP_FRONT TESSEL_DOC_SOURCES source name)
  set(out ${TESSEL_DOC_DIR}/gz/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${TESSEL_DOC_DIR}/gz/${name}
    COMMAND gzip -9nf ${TESSEL_DOC_DIR}/gz/${name}
    DEPENDS ${source}
    COMMENT "Compressing ${name}" VERBATIM)
  list(APPEND TESSEL_DOC_FILES ${out})
endwhile()
add_custom_target(tessel_doc_files ALL DEPENDS ${TESSEL_DOC_FILES})
