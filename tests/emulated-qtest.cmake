# Runs a Qt Test program under the cross build's emulator (Wine) and shows
# its report, which it writes to a file: its console output does not come
# through Wine. Fails as the program does.
file(REMOVE "${LOG}")
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" -o "Z:${LOG},txt" RESULT_VARIABLE result)
if(EXISTS "${LOG}")
    file(READ "${LOG}" report)
    message("${report}")
endif()
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} exited with ${result}")
endif()
