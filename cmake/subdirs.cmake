# korvan_add_subdirectories(a b c): adds each subdirectory that exists, so
# that areas can land one at a time.
function(korvan_add_subdirectories)
  foreach(sub ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/CMakeLists.txt)
      add_subdirectory(${sub})
    endif()
  endforeach()
endfunction()
