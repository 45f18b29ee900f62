# verantu_embed_manifest(TARGET FILE): on Windows, embeds FILE as TARGET's
# application manifest (RT_MANIFEST, resource 1), compiled by windres.
function(verantu_embed_manifest target file)
  if(NOT WIN32)
    return()
  endif()
  set(VERANTU_MANIFEST_TARGET ${target})
  set(VERANTU_MANIFEST_FILE ${file})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_manifest.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/manifest.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  # windres reads the manifest when the resource is compiled.
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${file})
endfunction()
