# The headless audio device.
target_sources(lobshot_platform_headless PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/headless_audio.cpp)
