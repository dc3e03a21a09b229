#include "batch/document_renderer.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "framework/testing/fakes.h"

namespace eracuni::batch {
namespace {

// The run's thread may render a job itself only while no worker has taken it.
TEST(DocumentRendererTest, RenderHereTakesOnlyAJobStillQueued) {
  std::mutex m;
  std::condition_variable cv;
  bool started = false, release = false;
  std::thread::id rendered_on[2];
  DocumentWriters writers;
  writers.invoice = [&](settings::Settings&, workdata::WorkFiles&, FileSystem&,
                        std::string_view name) {
    const int i = name == "a" ? 0 : 1;
    rendered_on[i] = std::this_thread::get_id();
    if (i == 0) {  // the worker holds "a" until the test lets it go
      std::unique_lock lock(m);
      started = true;
      cv.notify_all();
      cv.wait(lock, [&] { return release; });
    }
    return Status::Ok();
  };
  eracuni::testing::ScriptedMessageBox boxes;
  eracuni::testing::RecordingTerminator terminator;
  ErrorManager errors(boxes, terminator);
  DocumentRenderer renderer(writers, settings::Settings{}, errors, 1);
  RenderJob a, b;
  a.name = "a";
  b.name = "b";
  renderer.Submit(a);
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return started; });
  }
  renderer.Submit(b);

  EXPECT_FALSE(renderer.RenderHere(a));
  EXPECT_TRUE(renderer.RenderHere(b));
  EXPECT_TRUE(renderer.Done(b));
  EXPECT_EQ(rendered_on[1], std::this_thread::get_id());
  EXPECT_FALSE(renderer.RenderHere(b));  // done: nothing left to take
  {
    std::lock_guard lock(m);
    release = true;
  }
  cv.notify_all();
  renderer.Wait(a);
  EXPECT_NE(rendered_on[0], std::this_thread::get_id());
}

}  // namespace
}  // namespace eracuni::batch
