# Writes the torvane-cli manual page: the hand-written frame (TEMPLATE) with
# its COMMANDS section made from the program's own help texts, so that the
# page lists every command the program has, in the program's words.
#   cmake -DCLI=torvane-cli -DTEMPLATE=torvane-cli.1.in -DOUT=torvane-cli.1
#         -DVERSION=x.y.z -P make_cli_man_page.cmake

# Text shown as is in roff: backslashes escaped, no line read as a request.
function(roff_literal text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

execute_process(COMMAND "${CLI}" --help OUTPUT_VARIABLE overview RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "${CLI} --help failed (${code})")
endif()

# The overview lists one command per line: two spaces, name, summary.
set(commands "")
string(REPLACE "\n" ";" lines "${overview}")
foreach(line IN LISTS lines)
  if(line MATCHES "^  ([a-z][a-z0-9-]*) +(.+)$")
    set(name "${CMAKE_MATCH_1}")
    set(summary "${CMAKE_MATCH_2}")
    execute_process(COMMAND "${CLI}" help "${name}" OUTPUT_VARIABLE usage RESULT_VARIABLE code)
    if(NOT code EQUAL 0)
      message(FATAL_ERROR "${CLI} help ${name} failed (${code})")
    endif()
    roff_literal("${summary}" summary)
    roff_literal("${usage}" usage)
    string(APPEND commands ".SS ${name}\n${summary}\n.PP\n.nf\n${usage}.fi\n")
  endif()
endforeach()
if(commands STREQUAL "")
  message(FATAL_ERROR "${CLI} --help lists no commands")
endif()

file(READ "${TEMPLATE}" page)
string(REPLACE "@PROJECT_VERSION@" "${VERSION}" page "${page}")
string(REPLACE "@TORVANE_CLI_COMMANDS@\n" "${commands}" page "${page}")
file(WRITE "${OUT}" "${page}")
