# Copies every file below SRC to DEST unless DEST already has it.
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
foreach(f IN LISTS files)
  if(NOT EXISTS ${DEST}/${f})
    get_filename_component(dir ${DEST}/${f} DIRECTORY)
    file(MAKE_DIRECTORY ${dir})
    file(COPY_FILE ${SRC}/${f} ${DEST}/${f})
  endif()
endforeach()
