# cmake -P script: install, configure, build and run the consumer application.
foreach(var BUILD_DIR CONSUMER_SOURCE WORK_DIR GENERATOR CXX_COMPILER)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

set(prefix ${WORK_DIR}/prefix)
set(app_build ${WORK_DIR}/build)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

function(run step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${step} failed (${rc}):\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(f include/Tessarin2/tessarindef.h include/Tessarin2/tessaringlobal.h)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(GLOB private_headers ${prefix}/include/Tessarin2/*_p.h)
if(private_headers)
  message(FATAL_ERROR "private headers installed: ${private_headers}")
endif()

set(configure_args
  -S ${CONSUMER_SOURCE} -B ${app_build} -G ${GENERATOR}
  -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
  -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON
  "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
  "-DCMAKE_EXE_LINKER_FLAGS=${EXE_LINKER_FLAGS}")
if(CXX_LAUNCHER)
  list(APPEND configure_args -DCMAKE_CXX_COMPILER_LAUNCHER=${CXX_LAUNCHER})
endif()
if(BUILD_TYPE)
  list(APPEND configure_args -DCMAKE_BUILD_TYPE=${BUILD_TYPE})
endif()
run("configure" ${CMAKE_COMMAND} ${configure_args})
run("build" ${CMAKE_COMMAND} --build ${app_build})

# The package must point into the prefix, never back into the build tree.
file(STRINGS ${app_build}/CMakeCache.txt dir_line REGEX "^Tessarin2_DIR:")
string(FIND "${dir_line}" "${prefix}" in_prefix)
if(in_prefix EQUAL -1)
  message(FATAL_ERROR "Tessarin2 was not found in the install prefix: ${dir_line}")
endif()

run("run" ${app_build}/tessarin_consumer)
if(NOT last_output MATCHES "consumer ok")
  message(FATAL_ERROR "unexpected output: ${last_output}")
endif()
message(STATUS "${last_output}")
