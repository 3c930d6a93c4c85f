# tarvok --screenshot --window pictures the window asked for and refuses an unknown one.
#   cmake -DTARVOK=... -DOUTPUT_DIR=... -P screenshot_window.cmake
set(picture ${OUTPUT_DIR}/screenshot_timer1.png)
file(REMOVE ${picture})
execute_process(COMMAND ${TARVOK} --screenshot ${picture} --window timer1 --cycles 2000
                RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT EXISTS ${picture})
    message(FATAL_ERROR "no picture of timer 1 (exit ${result}): ${errors}")
endif()
file(READ ${picture} header LIMIT 24 HEX)
# A PNG's IHDR holds the width at bytes 16-19; the timer window is narrower than 1000 pixels and
# differs from the main window, which is pictured without --window.
string(SUBSTRING ${header} 32 8 width_hex)
math(EXPR width "0x${width_hex}")
set(main_picture ${OUTPUT_DIR}/screenshot_main.png)
execute_process(COMMAND ${TARVOK} --screenshot ${main_picture} --cycles 2000 RESULT_VARIABLE result)
file(READ ${main_picture} main_header LIMIT 24 HEX)
string(SUBSTRING ${main_header} 32 8 main_width_hex)
math(EXPR main_width "0x${main_width_hex}")
if(width EQUAL main_width OR width GREATER 1000)
    message(FATAL_ERROR "timer picture ${width} wide, main window ${main_width}")
endif()

execute_process(COMMAND ${TARVOK} --screenshot ${OUTPUT_DIR}/none.png --window nope
                RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 2 OR NOT errors MATCHES "Unbekanntes Fenster 'nope'" OR EXISTS ${OUTPUT_DIR}/none.png)
    message(FATAL_ERROR "unknown window not refused (exit ${result}): ${errors}")
endif()
