# Writes a program's manual page from its own --help and --version with
# help2man, compressed as Debian wants it (gzip -9n). Run as a script:
#
#   cmake -DPROGRAM=<built program> -DWHATIS=<one line> -DOUTPUT=<page.1.gz>
#         -DHELP2MAN=<help2man> -DGZIP=<gzip>
#         -DSOURCE_DATE_EPOCH=<the release> [-DSEE_ALSO=<name;...>]
#         [-DSUBCOMMANDS=ON] -P ZelvaneManPage.cmake
#
# With SUBCOMMANDS, every command listed under "commands:" in the program's
# --help gets its own "PROGRAM COMMAND --help" in a COMMANDS section.
#
# The programs run with no display, as on a build machine: they must answer
# --help and --version before starting any window system.

foreach(required PROGRAM WHATIS OUTPUT HELP2MAN GZIP SOURCE_DATE_EPOCH)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "ZelvaneManPage.cmake: ${required} is not given")
  endif()
endforeach()
# The page is named after the program, installed under the name it is built with.
get_filename_component(NAME "${PROGRAM}" NAME)

unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
unset(ENV{QT_QPA_PLATFORM})
set(ENV{LC_ALL} C.UTF-8)
set(ENV{SOURCE_DATE_EPOCH} "${SOURCE_DATE_EPOCH}")

# Text for a no-fill block: each line as it is, with roff's escape and
# control characters made plain and hyphens kept as minus signs (options).
function(zelvane_roff_verbatim text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(zelvane_program_output out)
  execute_process(COMMAND "${PROGRAM}" ${ARGN}
                  OUTPUT_VARIABLE text ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NAME} ${ARGN} failed (${status}) with no display:\n${errors}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

get_filename_component(folder "${OUTPUT}" DIRECTORY)
set(include_file "${folder}/${NAME}.h2m")
set(sections "")

if(SUBCOMMANDS)
  zelvane_program_output(help --help)
  string(REGEX MATCH "\ncommands:\n(  [^\n]*\n)+" listing "${help}")
  string(REGEX MATCHALL "\n  [a-z][a-z0-9-]*" names "${listing}")
  if(NOT names)
    message(FATAL_ERROR "${NAME} --help lists no commands")
  endif()
  string(APPEND sections "[COMMANDS]\n")
  foreach(name IN LISTS names)
    string(STRIP "${name}" name)
    zelvane_program_output(command_help ${name} --help)
    zelvane_roff_verbatim("${command_help}" command_help)
    zelvane_roff_verbatim("${NAME} ${name}" heading)
    string(APPEND sections ".SS \"${heading}\"\n.nf\n${command_help}.fi\n")
  endforeach()
endif()

if(SEE_ALSO)
  string(APPEND sections "[SEE ALSO]\n")
  set(separator "")
  foreach(page IN LISTS SEE_ALSO)
    string(REPLACE "-" "\\-" page "${page}")
    string(APPEND sections "${separator}.BR ${page} (1)")
    set(separator ",\n")
  endforeach()
  string(APPEND sections "\n")
endif()
file(WRITE "${include_file}" "${sections}")

string(REGEX REPLACE "\\.gz$" "" page "${OUTPUT}")
execute_process(COMMAND "${HELP2MAN}" --no-info --section=1 "--name=${WHATIS}"
                        "--include=${include_file}" "--output=${page}" "${PROGRAM}"
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man could not write ${NAME}(1) (${status}):\n${errors}")
endif()
execute_process(COMMAND "${GZIP}" -9nf "${page}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip could not compress ${page}")
endif()
