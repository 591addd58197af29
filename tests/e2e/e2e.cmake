# sonalix_e2e_tests(DIR FIXTURE ENV...): a ctest entry e2e_<name> for each
# test_<name>.py in DIR, run on the desktop that FIXTURE starts, with the
# drivers and the desk importable and the given environment. The scenarios
# (tests/e2e/scenarios) run so in each build that has a driver for them
# (SONALIX_DRIVER=wine or native), each platform's own cases beside them.
function(sonalix_e2e_tests dir fixture)
  file(GLOB test_files RELATIVE ${dir} CONFIGURE_DEPENDS ${dir}/test_*.py)
  foreach(test_file ${test_files})
    get_filename_component(name ${test_file} NAME_WE)
    add_test(NAME e2e_${name} COMMAND ${Python3_EXECUTABLE} -m unittest -v ${name} WORKING_DIRECTORY ${dir})
    set_tests_properties(e2e_${name} PROPERTIES FIXTURES_REQUIRED ${fixture} RESOURCE_LOCK desktop TIMEOUT 600
      LABELS e2e ENVIRONMENT "PYTHONPATH=${CMAKE_SOURCE_DIR}/tests/e2e;PYTHONDONTWRITEBYTECODE=1;${ARGN}")
  endforeach()
endfunction()
