# Tests of the frame store, recording controller and changed-region pass.
