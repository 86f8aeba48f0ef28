cmake_minimum_required(VERSION 3.25)
# Fails when a text in src/ that is not plain ASCII is not handed to the translator (tr,
# QCoreApplication::translate, QT_TRANSLATE_NOOP, QT_TR_NOOP) and is not one of the few texts
# below that must stay as they are; and when a translation in TS_DIR is missing, unfinished
# or empty. Run as:
#   cmake -DSOURCE_DIR=<src> -DTS_DIR=<translations> -DLUPDATE=<lupdate> -DWORK_DIR=<dir>
#         -P translated_texts.cmake

# Texts the program compares with or takes out of what it reads, never shows.
set(kept
  "catalog/catalog_browser.cpp:\"春风吹过绿色山\""
  "catalog/other_serach.cpp:\"来源网址：\""
  "catalog/other_serach.cpp:\" 请注意：此内容可能受到版权保护\""
  "lyrics/lyric_box.cpp:\"\\n…\"")

set(literal "\"([^\"\\\\\n]|\\\\.)*\"")
set(gap "[ \t\n]*")
set(texts "${literal}(${gap}${literal})*")
set(faults "")
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
foreach(source ${sources})
  file(READ ${SOURCE_DIR}/${source} code)
  string(REPLACE ";" "<semicolon>" code "\n${code}")
  # Comments and character literals are no texts.
  string(REGEX REPLACE "\n[ \t]*//[^\n]*" "\n" code "${code}")
  string(REGEX REPLACE "[ \t]//[^\n]*" "" code "${code}")
  string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" "" code "${code}")
  string(REGEX REPLACE "'([^'\\\\\n]|\\\\.)'" "''" code "${code}")
  # What the translator is handed.
  string(REGEX REPLACE "(QT_TRANSLATE_NOOP|translate)\\(${gap}${literal}${gap},${gap}${texts}"
    "\\1(" code "${code}")
  string(REGEX REPLACE "([^A-Za-z0-9_])(tr|QT_TR_NOOP)\\(${gap}${texts}" "\\1\\2(" code "${code}")
  string(REGEX MATCHALL "${literal}" found "${code}")
  foreach(text IN LISTS found)
    string(REPLACE "<semicolon>" ";" text "${text}")
    if(text MATCHES "[^ -~]" AND NOT "${source}:${text}" IN_LIST kept)
      list(APPEND faults "${source}: ${text} is shown untranslated")
    endif()
  endforeach()
endforeach()

# Every translation is finished, and lupdate finds no text that the translation lacks.
file(GLOB translations ${TS_DIR}/*.ts)
if(NOT translations)
  list(APPEND faults "no translations in ${TS_DIR}")
endif()
foreach(ts ${translations})
  get_filename_component(name ${ts} NAME)
  file(READ ${ts} kept_ts)
  string(REGEX MATCHALL "<message" messages "${kept_ts}")
  list(LENGTH messages count)
  foreach(unfinished "type=\"unfinished\"" "type=\"vanished\"" "type=\"obsolete\""
          "<translation></translation>" "<numerusform></numerusform>")
    string(FIND "${kept_ts}" "${unfinished}" at)
    if(NOT at EQUAL -1)
      list(APPEND faults "${name}: a message is ${unfinished}")
    endif()
  endforeach()
  file(COPY_FILE ${ts} ${WORK_DIR}/${name})
  execute_process(COMMAND ${LUPDATE} ${SOURCE_DIR} -ts ${WORK_DIR}/${name} -no-obsolete
    -locations none OUTPUT_VARIABLE said ERROR_VARIABLE said RESULT_VARIABLE failed)
  file(READ ${WORK_DIR}/${name} updated)
  string(REGEX MATCHALL "<message" messages "${updated}")
  list(LENGTH messages updated_count)
  if(failed OR said MATCHES "cannot be called without context")
    list(APPEND faults "lupdate: ${said}")
  elseif(updated MATCHES "type=\"unfinished\"")
    list(APPEND faults "${name} lacks texts of src/ (run lupdate and translate them)")
  elseif(NOT updated_count EQUAL count)
    list(APPEND faults "${name} holds texts that src/ no longer has")
  endif()
endforeach()

if(faults)
  list(JOIN faults "\n" report)
  message(FATAL_ERROR "${report}")
endif()
