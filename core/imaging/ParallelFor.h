#pragma once

#include <functional>

// Runs i_Task(index) once for every index in [0, i_Count), spread over the
// processor's cores (the calling thread takes part). Returns when all are done.
// Tasks must not throw. Falls back to the calling thread alone when no
// thread can be started.
void ParallelFor(int i_Count, const std::function<void(int)>& i_Task);
