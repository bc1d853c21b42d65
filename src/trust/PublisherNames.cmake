# The expected-name table from YOL_PUBLISHER_NAMES, made at configure time: a small native program
# (the core's parser) checks the file and writes the table's source with every value complemented.
# A bad file stops the configure step with the parser's message, which names the line.
find_program(YOL_HOST_CXX NAMES c++ g++ REQUIRED)
set(yol_names_dir ${CMAKE_BINARY_DIR}/trust-names)
set(yol_names_tool ${yol_names_dir}/publisher-names-gen)
set(yol_names_sources ${CMAKE_CURRENT_LIST_DIR}/PublisherNames.cpp
                      ${CMAKE_CURRENT_LIST_DIR}/PublisherNamesGenerator.cpp)
file(MAKE_DIRECTORY ${yol_names_dir})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${yol_names_sources} ${CMAKE_CURRENT_LIST_DIR}/PublisherNames.h ${YOL_PUBLISHER_NAMES})

execute_process(
  COMMAND ${YOL_HOST_CXX} -std=c++17 -O1 -Wall -Wextra -Werror -I${CMAKE_CURRENT_LIST_DIR}/..
          ${yol_names_sources} -o ${yol_names_tool}
  RESULT_VARIABLE yol_names_result ERROR_VARIABLE yol_names_error)
if(NOT yol_names_result EQUAL 0)
  message(FATAL_ERROR "Could not build the publisher names generator:\n${yol_names_error}")
endif()
execute_process(
  COMMAND ${yol_names_tool} ${YOL_PUBLISHER_NAMES} ${yol_names_dir}/PublisherNameData.cpp.new
  RESULT_VARIABLE yol_names_result ERROR_VARIABLE yol_names_error)
if(NOT yol_names_result EQUAL 0)
  message(FATAL_ERROR "YOL_PUBLISHER_NAMES: ${yol_names_error}")
endif()
# Rewritten only when it changes, so a reconfigure does not rebuild the product.
file(COPY_FILE ${yol_names_dir}/PublisherNameData.cpp.new ${yol_names_dir}/PublisherNameData.cpp
     ONLY_IF_DIFFERENT)
set(YOL_PUBLISHER_NAME_DATA ${yol_names_dir}/PublisherNameData.cpp)
