# Runs zantrel-fetch against a port nothing listens on (127.0.0.1:1) and expects exactly the
# failure's line on standard error, byte for byte, nothing on standard output, and status 1.
# The streams go to files: execute_process would turn CR LF into LF in the text it captures.
# cmake -DFETCH=<zantrel-fetch> -DSCRATCH=<folder> [-DEMULATOR=<emulator;args>] -P FetchFailureTest.cmake
file(MAKE_DIRECTORY ${SCRATCH})
execute_process(COMMAND ${EMULATOR} ${FETCH} http://127.0.0.1:1/
                OUTPUT_FILE ${SCRATCH}/out ERROR_FILE ${SCRATCH}/err RESULT_VARIABLE status)
file(READ ${SCRATCH}/out out HEX)
file(READ ${SCRATCH}/err err HEX)
string(HEX "EIdSocketError: Socket Error # 10061\r\nConnection refused.\n" expected)
if(NOT status EQUAL 1 OR NOT out STREQUAL "" OR NOT err STREQUAL expected)
    message(FATAL_ERROR "status ${status}, standard output (hex) \"${out}\", standard error (hex) "
                        "${err}, expected ${expected}")
endif()
