# The SDL audio device.
target_sources(lobshot_platform_sdl PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/sdl_audio.cpp)
# ALSA's own messages are silenced through its library, found at run time (dlopen).
target_link_libraries(lobshot_platform_sdl PRIVATE ${CMAKE_DL_LIBS})
