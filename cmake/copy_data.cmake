cmake_minimum_required(VERSION 3.20)
# Copies the shipped data FROM into TO and removes from TO what an earlier copy put there
# but FROM no longer holds. MANIFEST lists the files of the last copy; files that no copy
# made (settings and scratch files of runs in the build tree) are never touched.
file(GLOB_RECURSE files RELATIVE "${FROM}" "${FROM}/*")
if(EXISTS "${MANIFEST}")
  file(STRINGS "${MANIFEST}" previous)
  foreach(f IN LISTS previous)
    if(NOT f IN_LIST files AND EXISTS "${TO}/${f}")
      file(REMOVE "${TO}/${f}")
    endif()
  endforeach()
endif()
foreach(f IN LISTS files)
  get_filename_component(dir "${TO}/${f}" DIRECTORY)
  file(COPY "${FROM}/${f}" DESTINATION "${dir}")
endforeach()
list(JOIN files "\n" text)
file(WRITE "${MANIFEST}" "${text}\n")
