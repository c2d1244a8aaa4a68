# Script mode: cmake -DIN=<ts from lupdate> -DOUT=<ts> -P PseudoTranslation.cmake
# Translates every message of IN as its own source text in double brackets, "[[&Save]]",
# "[[%n file(s)]]", so that a test can tell a translated text from one that never went
# through the translation system. Placeholders and accelerators stay as they are.
cmake_minimum_required(VERSION 3.25)

file(READ "${IN}" ts)
set(result "")
set(rest "${ts}")
while(TRUE)
    string(FIND "${rest}" "</message>" end)
    if(end EQUAL -1)
        break()
    endif()
    math(EXPR cut "${end} + 10")
    string(SUBSTRING "${rest}" 0 ${cut} message)
    string(SUBSTRING "${rest}" ${cut} -1 rest)
    if(NOT message MATCHES "<source>([^<]*)</source>")
        message(FATAL_ERROR "a message without a source text in ${IN}")
    endif()
    set(wrapped "[[${CMAKE_MATCH_1}]]")
    string(REPLACE "<translation type=\"unfinished\"></translation>"
                   "<translation>${wrapped}</translation>" message "${message}")
    string(REPLACE "<numerusform></numerusform>" "<numerusform>${wrapped}</numerusform>"
                   message "${message}")
    string(REPLACE "<translation type=\"unfinished\">" "<translation>" message "${message}")
    string(APPEND result "${message}")
endwhile()
string(APPEND result "${rest}")
file(WRITE "${OUT}" "${result}")
