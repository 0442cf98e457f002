# Folders depend only downward. Each row names a folder and the folders its
# sources may include from (besides its own); the configure step fails on any
# other project include, so a new upward edge is caught before it compiles.
# A nested folder is its own layer: panels/widgets sits above panels, while
# the service's rooms (server/storage, server/api…) sit below server/, which
# holds only what wires them together.
set(SCRIBEON_LAYERS
  "base:"
  "platform:base"
  "platform/linux:platform base"
  "platform/x11:platform base"
  "platform/wayland:platform base"
  "platform/qt:platform/x11 platform/linux platform base"
  "platform/fake:platform base"
  "wire:base"
  "server/storage:base"
  "server/http:wire base"
  "server/processors:server/http wire base"
  "server/accounts:server/storage server/http wire base"
  "server/api:server/accounts server/processors server/storage server/http wire base"
  "server/web:server/accounts server/processors server/storage server/http wire base"
  "server/feed:server/http base"
  "server:server/api server/web server/feed server/accounts server/processors server/storage server/http wire base"
  "release:update base"
  "service:wire platform base"
  "hotkey:platform base"
  "accessibility:platform base"
  "wording:hotkey platform base"
  "update:platform base"
  "ui:update hotkey service wire platform base"
  "ui/widgets:ui update hotkey service wire wording platform/qt platform base"
  "panels:accessibility service wire wording platform base"
  "panels/widgets:panels accessibility service wire wording platform/qt platform base"
  "app:panels ui update accessibility hotkey wording service wire platform base"
  "main:app panels/widgets panels ui/widgets ui update accessibility hotkey wording service wire platform/qt platform/wayland platform/x11 platform/linux platform base")

# The layer a project path belongs to: the longest row name it starts with.
function(_scribeon_layer_of path out)
  set(best "")
  foreach(row IN LISTS SCRIBEON_LAYERS)
    string(REGEX REPLACE ":.*" "" name "${row}")
    string(LENGTH "${name}" length)
    string(LENGTH "${best}" best_length)
    if(path MATCHES "^${name}/" AND length GREATER best_length)
      set(best "${name}")
    endif()
  endforeach()
  set(${out} "${best}" PARENT_SCOPE)
endfunction()

function(scribeon_check_layers root)
  set(violations "")
  foreach(row IN LISTS SCRIBEON_LAYERS)
    string(REGEX REPLACE ":.*" "" layer "${row}")
    string(REGEX REPLACE "^[^:]*:" "" allowed "${row}")
    string(REPLACE " " ";" allowed "${allowed}")
    file(GLOB sources RELATIVE ${root} ${root}/${layer}/*.h ${root}/${layer}/*.cpp)
    foreach(src IN LISTS sources)
      file(STRINGS ${root}/${src} includes REGEX "^#include[ \t]*\"[^\"]+/[^\"]+\"")
      foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include[ \t]*\"([^\"]+)\".*" "\\1" target "${line}")
        _scribeon_layer_of("${target}" target_layer)
        if(target_layer STREQUAL "" OR target_layer STREQUAL layer OR target_layer IN_LIST allowed)
          continue()
        endif()
        string(APPEND violations "\n  ${src} includes ${target} (${layer} -> ${target_layer})")
      endforeach()
    endforeach()
  endforeach()
  if(violations)
    message(FATAL_ERROR "An include points up or sideways past the layer table "
                        "(cmake/ScribeonLayers.cmake):${violations}")
  endif()
endfunction()
