#include "core/imaging/ParallelFor.h"

#include <QThread>

#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

void ParallelFor(int i_Count, const std::function<void(int)>& i_Task)
{
    if (i_Count <= 0)
        return;
    std::atomic<int> next(0);
    auto worker = [&]() {
        for (int index = next.fetch_add(1); index < i_Count; index = next.fetch_add(1))
            i_Task(index);
    };
    const int threadCount = qMin(qMax(1, QThread::idealThreadCount()), i_Count);
    std::vector<std::thread> helpers;
    helpers.reserve(threadCount - 1);
    for (int t = 1; t < threadCount; ++t) {
        try {
            helpers.emplace_back(worker);
        } catch (const std::system_error&) {
            break; // the threads started so far and this one finish the work
        }
    }
    worker();
    for (std::thread& helper : helpers)
        helper.join();
}
