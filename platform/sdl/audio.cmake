# The SDL audio device.
target_sources(lobshot_platform_sdl PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/sdl_audio.cpp)
