# shotsweep_library(NAME FOLDER [SOURCE...])
#
# One static library per folder (an interface library when the folder has headers only). Its
# headers are reached as "FOLDER/header.h" through an include root of the library's own, and
# only the libraries that link it see that root: target_link_libraries names exactly the edges
# the layers allow, and an #include of a folder a library may not use fails to compile.
function(shotsweep_library name folder)
  if(ARGN)
    add_library(${name} STATIC ${ARGN})
    shotsweep_header_root(${name} PUBLIC ${folder})
  else()
    add_library(${name} INTERFACE)
    shotsweep_header_root(${name} INTERFACE ${folder})
  endif()
endfunction()

# shotsweep_header_root(TARGET SCOPE FOLDER)
#
# Gives TARGET an include root that holds FOLDER's headers, and nothing else, as
# "FOLDER/header.h"; SCOPE says who else sees it, as for target_include_directories. Tests and
# benchmarks reach their shared headers this way too, so a test sees only the folders of the
# libraries it links and of the test helpers it uses.
function(shotsweep_header_root target scope folder)
  string(REPLACE "/" "." root_name ${folder})
  set(root ${CMAKE_BINARY_DIR}/include/${root_name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${folder})
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  foreach(header IN LISTS headers)
    get_filename_component(file ${header} NAME)
    file(CREATE_LINK ${header} ${root}/${folder}/${file} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()
