# Installs the build into a scratch prefix and checks that everything arrives where it belongs.
#
# That is the game among the commands and the replay runner in RUNNERDIR, the desktop entry with
# its keys, every icon as a PNG of its size and the manual page with its translations. Run by the
# install.layout test with BUILD, PREFIX, ICON_SIZES, APP_ID (the application's id, the desktop
# entry's name), BINDIR, RUNNERDIR, DATADIR and MANDIR set (the sizes separated by commas).

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}"
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${out}${err}")
endif()

foreach(program "${BINDIR}/lobshot" "${RUNNERDIR}/lobshot-headless")
  if(NOT EXISTS "${PREFIX}/${program}")
    message(FATAL_ERROR "${program} is not installed")
  endif()
endforeach()
if(EXISTS "${PREFIX}/${BINDIR}/lobshot-headless")
  message(FATAL_ERROR "the replay runner is installed among the player's commands in ${BINDIR}")
endif()

set(entry "${PREFIX}/${DATADIR}/applications/${APP_ID}.desktop")
if(NOT EXISTS "${entry}")
  message(FATAL_ERROR "no desktop entry at ${entry}")
endif()
file(STRINGS "${entry}" lines)
foreach(wanted "[Desktop Entry]" "Type=Application" "Exec=lobshot" "Icon=lobshot" "Terminal=false"
               "Categories=Game;StrategyGame;")
  list(FIND lines "${wanted}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks the line \"${wanted}\"")
  endif()
endforeach()

# A PNG starts with its 8-byte signature and the IHDR chunk: width and height are bytes 16 to 23.
string(REPLACE "," ";" ICON_SIZES "${ICON_SIZES}")
foreach(size IN LISTS ICON_SIZES)
  set(icon "${PREFIX}/${DATADIR}/icons/hicolor/${size}x${size}/apps/lobshot.png")
  if(NOT EXISTS "${icon}")
    message(FATAL_ERROR "no ${size}x${size} icon at ${icon}")
  endif()
  file(READ "${icon}" head LIMIT 24 HEX)
  math(EXPR expected "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${expected}" 2 -1 digits)
  string(LENGTH "${digits}" length)
  math(EXPR padding "8 - ${length}")
  string(REPEAT "0" ${padding} zeros)
  set(side "${zeros}${digits}")
  string(TOLOWER "89504e470d0a1a0a0000000d49484452${side}${side}" wanted)
  if(NOT head STREQUAL wanted)
    message(FATAL_ERROR "the ${size}x${size} icon is not a PNG of that size (it begins ${head})")
  endif()
endforeach()

foreach(folder man6 de/man6 fr/man6 es/man6)
  set(page "${PREFIX}/${MANDIR}/${folder}/lobshot.6")
  if(NOT EXISTS "${page}")
    message(FATAL_ERROR "no manual page at ${page}")
  endif()
  file(STRINGS "${page}" title REGEX "^\\.TH LOBSHOT 6 ")
  if(NOT title)
    message(FATAL_ERROR "the manual page ${folder}/lobshot.6 has no title line for lobshot(6)")
  endif()
endforeach()
