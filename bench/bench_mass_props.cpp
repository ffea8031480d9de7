// Cycling the bodies of a large part and computing their mass properties,
// directly on the host and through the entire-part block of the report.
#include <benchmark/benchmark.h>
#include <rq/rq.h>
#include <standin/testing.hpp>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "parts/store.hpp"
#include "utils/mass_props.hpp"
#include "utils/model_data.hpp"
#include "utils/run_log.hpp"

namespace {

// A work part of `bodies` blocks, cylinders and spheres side by side.
std::vector<tag_t> make_part(int bodies) {
    standin::reset_session();
    RQ_initialize();
    standin::Part& part = standin::add_part("bench.prt", "/nonexistent/bench.prt", "bench");
    standin::session().work_part = part.tag;
    std::vector<tag_t> tags;
    tags.reserve(bodies);
    for (int i = 0; i < bodies; ++i) {
        standin::Object& o = standin::add_object(part, RQ_solid_type, RQ_solid_body_subtype);
        o.body = std::make_unique<standin::Body>();
        o.body->shape = static_cast<standin::Shape>(1 + i % 3);
        o.body->size = {1.0 + i % 7, 2.0, 3.0};
        o.body->origin = {static_cast<double>(i % 100), static_cast<double>(i / 100), 0.0};
        o.body->density = 1.0 + i % 5;
        tags.push_back(o.tag);
    }
    return tags;
}

void BM_CycleBodies(benchmark::State& state) {
    make_part(static_cast<int>(state.range(0)));
    const tag_t part = RQ_ASSEM_ask_work_part();
    for (auto _ : state) {
        tag_t object = NULL_TAG;
        int n = 0;
        while (RQ_OBJ_cycle_objs_in_part(part, RQ_solid_type, &object) == 0 && object != NULL_TAG) {
            int type = 0;
            RQ_MODL_ask_body_type(object, &type);
            n += type == RQ_MODL_SOLID_BODY;
        }
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CycleBodies)->Arg(10000)->Arg(200000);

void BM_MassProps(benchmark::State& state) {
    std::vector<tag_t> tags = make_part(static_cast<int>(state.range(0)));
    double accuracy[11] = {0.99};
    double results[47];
    double statistics[13];
    for (auto _ : state) {
        int code = RQ_MODL_ask_mass_props_3d(tags.data(), static_cast<int>(tags.size()), 1, 3, 0.0,
                                             1, accuracy, results, statistics);
        benchmark::DoNotOptimize(code);
        benchmark::DoNotOptimize(results[9]);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MassProps)->Arg(10000)->Arg(200000);

// The report's entire-part block: the walk, the feature lists and one call.
void BM_EntirePartBlock(benchmark::State& state) {
    make_part(static_cast<int>(state.range(0)));
    char report[] = "/tmp/kvtx_bench_mass_props_XXXXXX";
    int fd = mkstemp(report);
    if (fd >= 0) close(fd);
    copy_text(glob_xml_file, report);
    log_file_in_use[0] = '\0';
    for (auto _ : state) {
        write_entire_part_mass_props();
    }
    std::remove(report);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EntirePartBlock)->Arg(10000)->Arg(200000);

}  // namespace

BENCHMARK_MAIN();
