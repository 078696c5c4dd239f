# The headless audio device, on the tick-driven device it shares with the web backend.
target_sources(lobshot_platform_headless PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/headless_audio.cpp
  ${CMAKE_SOURCE_DIR}/platform/common/tick_audio.cpp)
