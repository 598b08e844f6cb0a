# Copies SOURCE (the Data folder) to DEST, except a KBConfig.xml that DEST
# already holds: that file is the parent's configuration.
file(GLOB_RECURSE files RELATIVE ${SOURCE} ${SOURCE}/*)
foreach(file IN LISTS files)
  if(file STREQUAL "KBConfig.xml" AND EXISTS ${DEST}/KBConfig.xml)
    continue()
  endif()
  get_filename_component(dir ${DEST}/${file} DIRECTORY)
  file(MAKE_DIRECTORY ${dir})
  file(COPY_FILE ${SOURCE}/${file} ${DEST}/${file} ONLY_IF_DIFFERENT)
endforeach()
