# Regenerates the skins into SCRATCH and compares them byte for byte with EXPECTED.
file(REMOVE_RECURSE ${SCRATCH})
execute_process(COMMAND ${PYTHON} ${GENERATOR} ${SCRATCH} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "skingen.py failed: ${result}")
endif()
foreach(skin MAIN.BMP PARTS.BMP)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH}/${skin} ${EXPECTED}/${skin}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${EXPECTED}/${skin} differs from what skingen.py draws")
  endif()
endforeach()
