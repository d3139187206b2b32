# The GL-free sources, relative to the project root: the model records,
# readers, exporters and checker (model/); rotation math, key channels, the
# pose composer, model rotation, the animation timer, playback and skinning
# (pose/); the viewer's session state on top of them (session/: the current
# model, selection, key channels, shown pose, timer and the printing
# exporters); and the demo model (demo/). Shared by the main build and the
# fuzz build (fuzz/CMakeLists.txt), so a file added here is built, tested and
# fuzzed alike.
set(BONELOOM_MODEL_FILES
  model/export.cpp
  model/file_io.cpp
  model/format.cpp
  model/load.cpp
  model/model.cpp
  model/tga_write.cpp
  model/validate.cpp
)
set(BONELOOM_POSE_FILES
  pose/anim.cpp
  pose/channels.cpp
  pose/compose.cpp
  pose/playback.cpp
  pose/rotate_model.cpp
  pose/rotation.cpp
  pose/skin.cpp
)
set(BONELOOM_SESSION_FILES
  session/export.cpp
  session/session.cpp
)
set(BONELOOM_DEMO_FILES
  demo/sample.cpp
)
set(BONELOOM_HISTORY_FILES
  history/history.cpp
)
