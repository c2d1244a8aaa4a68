# Fails if any file in the engine folder reaches a QtGui, QtWidgets or QtOpenGL header,
# directly or through other headers. All Qt headers share one include root, so the engine's
# include path cannot keep them out; instead every engine source and header is run through
# the preprocessor with the engine's real compile flags and its dependency list is read.
#
#   cmake -DCOMPILE_COMMANDS=<build>/compile_commands.json -DENGINE_DIR=<source>/engine
#         -P EngineIncludesCheck.cmake

foreach(variable COMPILE_COMMANDS ENGINE_DIR)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "${variable} is not set")
    endif()
endforeach()

file(READ "${COMPILE_COMMANDS}" database)
string(JSON count LENGTH "${database}")
math(EXPR last "${count} - 1")

# The compile command of each engine source, without its output and input.
set(engine_flags "")
foreach(i RANGE ${last})
    string(JSON file GET "${database}" ${i} file)
    cmake_path(IS_PREFIX ENGINE_DIR "${file}" NORMALIZE in_engine)
    if(NOT in_engine)
        continue()
    endif()
    string(JSON command GET "${database}" ${i} command)
    separate_arguments(arguments UNIX_COMMAND "${command}")
    set(flags "")
    set(skip_next FALSE)
    foreach(argument IN LISTS arguments)
        if(skip_next)
            set(skip_next FALSE)
        elseif(argument STREQUAL "-o" OR argument STREQUAL "-c")
            set(skip_next TRUE)
        else()
            list(APPEND flags "${argument}")
        endif()
    endforeach()
    set(flags_of_${file} "${flags}")
    if(NOT engine_flags)
        set(engine_flags "${flags}")
    endif()
endforeach()
if(NOT engine_flags)
    message(FATAL_ERROR "no engine source in ${COMPILE_COMMANDS}")
endif()

# Headers are checked on their own too: one that no source includes would otherwise slip by.
file(GLOB_RECURSE files "${ENGINE_DIR}/*.cpp" "${ENGINE_DIR}/*.h")
set(offenders "")
foreach(file IN LISTS files)
    if(DEFINED flags_of_${file})
        set(flags "${flags_of_${file}}")
        set(language "")
    else()
        set(flags "${engine_flags}")
        set(language -x c++)
    endif()
    execute_process(COMMAND ${flags} ${language} -M "${file}"
                    OUTPUT_VARIABLE dependencies ERROR_VARIABLE errors RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "cannot preprocess ${file}:\n${errors}")
    endif()
    string(REGEX MATCHALL "[^ \\\n]*/Qt(Gui|Widgets|OpenGL|OpenGLWidgets)/[^ \\\n]*" reached
                 "${dependencies}")
    if(reached)
        list(GET reached 0 first)
        message(SEND_ERROR "${file} includes ${first}")
        list(APPEND offenders "${file}")
    endif()
endforeach()

list(LENGTH files checked)
if(offenders)
    list(JOIN offenders "\n  " offenders)
    message(FATAL_ERROR "engine files reaching user-interface headers:\n  ${offenders}")
endif()
message(STATUS "${checked} engine files include nothing from QtGui, QtWidgets or QtOpenGL")
