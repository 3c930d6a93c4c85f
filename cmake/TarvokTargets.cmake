# Small helpers shared by the CMake files of the tree.

# tarvok_add_gtest(<name> <glob-dir> LIBS ...): one GoogleTest executable per test folder.
function(tarvok_add_gtest name dir)
    cmake_parse_arguments(ARG "" "LABEL" "LIBS;ENV" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main tarvok_warnings)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(${name} PRIVATE
        TARVOK_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
        TARVOK_BINARY_DIR="${PROJECT_BINARY_DIR}")
    include(GoogleTest)
    if(NOT ARG_LABEL)
        set(ARG_LABEL unit)
    endif()
    # Parameterised cases are named by their generators, never by pretty-printed values.
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES PROPERTIES LABELS ${ARG_LABEL})
endfunction()

# tarvok_add_qtest(<source> LIBS ...): one Qt Test executable per test class, run on the
# offscreen platform.
function(tarvok_add_qtest source)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test tarvok_warnings)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(${name} PRIVATE
        TARVOK_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
        TARVOK_BINARY_DIR="${PROJECT_BINARY_DIR}")
    add_test(NAME ui.${name} COMMAND ${name})
    set_tests_properties(ui.${name} PROPERTIES LABELS ui ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()
