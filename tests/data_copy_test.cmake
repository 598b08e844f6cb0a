# The build copies Data/ beside the program, into a folder holding a parent's
# KBConfig.xml (which stays) and into an empty one (which gets the default).
file(REMOVE_RECURSE ${WORK})
file(WRITE ${WORK}/kept/KBConfig.xml "the parent's own configuration")
foreach(dest kept fresh)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE=${SOURCE} -DDEST=${WORK}/${dest} -P ${SCRIPT}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
file(READ ${WORK}/kept/KBConfig.xml kept)
file(READ ${WORK}/fresh/KBConfig.xml fresh)
file(READ ${SOURCE}/KBConfig.xml default)
if(NOT kept STREQUAL "the parent's own configuration" OR NOT fresh STREQUAL default
   OR NOT EXISTS ${WORK}/kept/SelectUser.htm OR NOT EXISTS ${WORK}/kept/Images/splash.svg)
  message(FATAL_ERROR "copying Data/ lost the parent's configuration, the default or the pages")
endif()
file(REMOVE_RECURSE ${WORK})
