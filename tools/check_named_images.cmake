# Build-time check: every ":/<name>.png" the program's sources name, and every
# pattern such as ":/calculator%1.png", must be in the image list, so that an
# image the code asks for and the set lacks stops the build instead of
# showing blank at run time.
#
#   cmake -DLIST=<icons.txt> -DSTAMP=<file> -DFOLDERS=<folder;...> -P check_named_images.cmake

file(STRINGS ${LIST} entries REGEX "^[^#].*\\.png")
set(images)
foreach(entry ${entries})
  string(REGEX MATCH "^.+\\.png" image "${entry}")
  list(APPEND images "${image}")
endforeach()

set(sources)
foreach(folder ${FOLDERS})
  file(GLOB_RECURSE found ${folder}/*.cpp ${folder}/*.h)
  list(APPEND sources ${found})
endforeach()

set(missing)
foreach(source ${sources})
  file(STRINGS ${source} lines REGEX "\":/[^\"]*\\.png\"")
  foreach(line ${lines})
    string(REGEX MATCHALL "\":/[^\"]*\\.png\"" names "${line}")
    foreach(quoted ${names})
      string(REGEX REPLACE "^\":/(.*)\"$" "\\1" name "${quoted}")
      # A pattern's %1, %2 ... stand for any text.
      string(REPLACE "." "\\." pattern "${name}")
      string(REGEX REPLACE "%[0-9]" ".+" pattern "${pattern}")
      set(found FALSE)
      foreach(image ${images})
        if(image MATCHES "^${pattern}$")
          set(found TRUE)
          break()
        endif()
      endforeach()
      if(NOT found)
        file(RELATIVE_PATH where ${CMAKE_CURRENT_LIST_DIR}/.. ${source})
        list(APPEND missing "  :/${name} (${where})")
      endif()
    endforeach()
  endforeach()
endforeach()

if(missing)
  list(REMOVE_DUPLICATES missing)
  list(JOIN missing "\n" text)
  message(FATAL_ERROR "Images named in the code but missing from ${LIST}:\n${text}")
endif()
file(TOUCH ${STAMP})
