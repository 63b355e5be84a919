# Helpers that turn the folder layout into targets: each subsystem folder of src/ is one
# static library, each test folder one GoogleTest executable. New files are picked up
# at build time (CONFIGURE_DEPENDS), so adding a unit needs no edit here.

function(memtide_apply_flags target)
  target_compile_options(${target} PRIVATE ${MEMTIDE_WARNINGS})
  target_compile_definitions(${target} PRIVATE ${MEMTIDE_DEFINES})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src)
endfunction()

# memtide_subsystem(<folder> [DEPS <other subsystem targets>] [LIBS <system libs>])
# Defines target memtide_<folder>. A folder without sources yet becomes an interface
# target, so dependants still configure.
function(memtide_subsystem folder)
  cmake_parse_arguments(ARG "" "" "DEPS;LIBS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "/${ex}$")
  endforeach()
  set(target memtide_${folder})
  if(sources)
    add_library(${target} STATIC ${sources})
    memtide_apply_flags(${target})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_compile_definitions(${target} PUBLIC ${MEMTIDE_DEFINES})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS} ${ARG_LIBS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_compile_definitions(${target} INTERFACE ${MEMTIDE_DEFINES})
    target_link_libraries(${target} INTERFACE ${ARG_DEPS} ${ARG_LIBS})
  endif()
endfunction()

# memtide_test_folder(<folder> LIBS <targets>)
# tests/<folder>/*.cpp      -> one GoogleTest executable test_<folder>, one CTest test
# tests/<folder>/helpers/*.cpp (+ same-named .rc) -> one helper executable each, built
#                             beside the tests so the tests can start them.
function(memtide_test_folder folder)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/helpers/*.cpp)
  set(helper_targets "")
  foreach(h IN LISTS helpers)
    get_filename_component(hname ${h} NAME_WE)
    set(hsrc ${h})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/helpers/${hname}.rc)
      list(APPEND hsrc ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/helpers/${hname}.rc)
    endif()
    add_executable(${hname} ${hsrc})
    memtide_apply_flags(${hname})
    target_link_libraries(${hname} PRIVATE ${ARG_LIBS})
    list(APPEND helper_targets ${hname})
  endforeach()
  if(NOT sources)
    return()
  endif()
  set(target test_${folder})
  add_executable(${target} ${sources})
  memtide_apply_flags(${target})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} memtide_testsupport GTest::gtest GTest::gmock)
  if(helper_targets)
    add_dependencies(${target} ${helper_targets})
  endif()
  add_dependencies(${target} memtide_assets)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  add_test(NAME ${folder} COMMAND ${target} --gtest_color=no
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(${folder} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
endfunction()

# memtide_link_check(<folder>)
# Links every unit of memtide_<folder> (not only those some program happens to use) into a
# throw-away program together with the folder's declared dependencies alone, so an
# undeclared call to another folder is a link error of the ordinary build.
function(memtide_link_check folder)
  set(lib memtide_${folder})
  get_target_property(kind ${lib} TYPE)
  if(NOT kind STREQUAL "STATIC_LIBRARY")
    return()
  endif()
  set(target memtide_${folder}_linkcheck)
  add_executable(${target} ${PROJECT_SOURCE_DIR}/cmake/LinkCheck.cpp)
  memtide_apply_flags(${target})
  target_link_libraries(${target} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${lib}>")
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                        ${CMAKE_BINARY_DIR}/linkcheck)
endfunction()
