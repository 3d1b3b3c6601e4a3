# Tests of the frame store, recording controller and changed-region pass.
# The rules, the state machine, the store and the changed-region scan run
# natively; the store, the folders and the optimisation pass again under Wine
# with real files and real GDI.
if(NOT MOVREL_WIN)
  movrel_test(recording_test
    SOURCES recording_rules_test.cpp recorder_test.cpp changed_rect_test.cpp frame_store_test.cpp frame_edit_test.cpp input_marks_test.cpp
    DEPS movrel_record)
else()
  movrel_test(recording_win_test
    SOURCES frame_store_test.cpp folders_win_test.cpp optimize_win_test.cpp
    DEPS movrel_record movrel_gif)
endif()
if(MOVREL_WIN)
  # Memory and tick time of a long recording (run by bench/recording_bench.py,
  # not by ctest).
  add_executable(recording_bench recording_bench_win.cpp)
  target_link_libraries(recording_bench PRIVATE movrel_record psapi)
  target_link_options(recording_bench PRIVATE -municode)
endif()
