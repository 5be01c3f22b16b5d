# shotsweep_library(NAME FOLDER [SOURCE...])
#
# One static library per folder (an interface library when the folder has headers only). Its
# headers are reached as "FOLDER/header.h" through an include root of the library's own, and
# only the libraries that link it see that root: target_link_libraries names exactly the edges
# the layers allow, and an #include of a folder a library may not use fails to compile.
function(shotsweep_library name folder)
  set(root ${CMAKE_BINARY_DIR}/include/${name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${folder})
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  foreach(header IN LISTS headers)
    get_filename_component(file ${header} NAME)
    file(CREATE_LINK ${header} ${root}/${folder}/${file} SYMBOLIC)
  endforeach()
  if(ARGN)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${root})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${root})
  endif()
endfunction()
