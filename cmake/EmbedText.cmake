# sonalix_embed_text(TARGET target FILE path NAME symbol [FORM class])
# Builds a text file into `target` as a constant, for platforms without
# resources. It generates, in the target's build folder under embedded/:
#   <symbol>.h   declaring   namespace snx { extern const std::string_view <symbol>; }
#   <symbol>.cpp defining it as the file's bytes, exactly as stored,
# adds the source to the target and the folder to its include path, and
# regenerates both whenever the file changes. Use it as
#   sonalix_embed_text(TARGET probe FILE ${CMAKE_CURRENT_SOURCE_DIR}/probe_form.dfm NAME kProbeFormDescription)
#   #include "kProbeFormDescription.h"
#   ReadDescriptionText(kProbeFormDescription, classes, published);
# With FORM, the text is also stored as the description of the form class
# `class` (framework/core/stored_description.h), which the form's
# ReadDescription(class, ...) finds; `target` is then an object library.
function(sonalix_embed_text)
  cmake_parse_arguments(E "" "TARGET;FILE;NAME;FORM" "" ${ARGN})
  if(NOT E_TARGET OR NOT E_FILE OR NOT E_NAME)
    message(FATAL_ERROR "sonalix_embed_text needs TARGET, FILE and NAME")
  endif()
  get_target_property(binary_dir ${E_TARGET} BINARY_DIR)
  set(dir ${binary_dir}/embedded)
  add_custom_command(
    OUTPUT ${dir}/${E_NAME}.h ${dir}/${E_NAME}.cpp
    COMMAND ${CMAKE_COMMAND} -DFILE=${E_FILE} -DNAME=${E_NAME} -DDIR=${dir} "-DFORM=${E_FORM}" -P ${SONALIX_EMBED_TEXT_SCRIPT}
    DEPENDS ${E_FILE} ${SONALIX_EMBED_TEXT_SCRIPT}
    COMMENT "Embedding ${E_FILE} as ${E_NAME}"
    VERBATIM)
  target_sources(${E_TARGET} PRIVATE ${dir}/${E_NAME}.h ${dir}/${E_NAME}.cpp)
  target_include_directories(${E_TARGET} PRIVATE ${dir})
  # The style check reads the sources before anything is built, so the
  # generated headers can also be made on their own.
  add_custom_target(${E_NAME}_text DEPENDS ${dir}/${E_NAME}.h ${dir}/${E_NAME}.cpp)
  add_dependencies(embedded_texts ${E_NAME}_text)
endfunction()
add_custom_target(embedded_texts)
set(SONALIX_EMBED_TEXT_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedTextFile.cmake)
