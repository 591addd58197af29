# sonalix_add_folders(folder...): adds the listed subfolders in that order.
# A subfolder that has a CMakeLists.txt but is not listed stops the
# configuration, so a new or renamed folder cannot drop out of the build unseen.
function(sonalix_add_folders)
  set(listed ${ARGN})
  file(GLOB entries LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(entry ${entries})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${entry}/CMakeLists.txt AND NOT entry IN_LIST listed)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${entry} has a CMakeLists.txt but is not listed")
    endif()
  endforeach()
  foreach(folder ${listed})
    add_subdirectory(${folder})
  endforeach()
endfunction()
