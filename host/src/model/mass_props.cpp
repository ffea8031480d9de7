// Mass properties of bodies from their primitive geometry, placement and
// density. Conventions: docs/mass-properties.md.
#include "model/model.hpp"
#include "session/faults.hpp"

#include <standin/model_testing.hpp>

#include <cmath>
#include <numbers>
#include <vector>

namespace standin {
namespace {

using Vec3 = std::array<double, 3>;
using Mat3 = std::array<double, 9>;  // row after row

constexpr double kRotationTolerance = 1e-6;

bool finite(const double* values, int n) {
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(values[i])) return false;
    }
    return true;
}

// True when the columns of m are orthonormal and right-handed.
bool is_rotation(const Mat3& m) {
    if (!finite(m.data(), 9)) return false;
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            double dot = 0.0;
            for (int i = 0; i < 3; ++i) dot += m[3 * i + a] * m[3 * i + b];
            if (std::fabs(dot - (a == b ? 1.0 : 0.0)) > kRotationTolerance) return false;
        }
    }
    double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                 m[2] * (m[3] * m[7] - m[4] * m[6]);
    return det > 0.0;
}

Vec3 rotate_point(const Mat3& m, const Vec3& v) {
    Vec3 r{};
    for (int i = 0; i < 3; ++i) r[i] = m[3 * i] * v[0] + m[3 * i + 1] * v[1] + m[3 * i + 2] * v[2];
    return r;
}

// m * t * transpose(m): a tensor given in the frame of m's columns, seen from outside.
Mat3 rotate_tensor(const Mat3& m, const Mat3& t) {
    Mat3 mt{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) mt[3 * i + j] += m[3 * i + k] * t[3 * k + j];
    Mat3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r[3 * i + j] += mt[3 * i + k] * m[3 * j + k];
    return r;
}

// The body's own frame: primitives sit at the origin of their axes.
bool primitive_model(const Body& body, MassModel& model) {
    model = MassModel{};
    if (body.body_type != RQ_MODL_SOLID_BODY || body.shape == Shape::none) return true;
    if (!finite(body.size.data(), 3)) return false;
    for (double s : body.size) {
        if (s < 0.0) return false;
    }
    const double pi = std::numbers::pi;
    double ixx = 0, iyy = 0, izz = 0;
    switch (body.shape) {
        case Shape::block: {  // corner at the origin, edges along x, y, z
            double a = body.size[0], b = body.size[1], c = body.size[2];
            model.volume = a * b * c;
            model.centroid = {a / 2, b / 2, c / 2};
            ixx = model.volume * (b * b + c * c) / 12;
            iyy = model.volume * (a * a + c * c) / 12;
            izz = model.volume * (a * a + b * b) / 12;
            break;
        }
        case Shape::cylinder: {  // base centre at the origin, axis along z
            double r = body.size[0], h = body.size[1];
            model.volume = pi * r * r * h;
            model.centroid = {0, 0, h / 2};
            ixx = iyy = model.volume * (3 * r * r + h * h) / 12;
            izz = model.volume * r * r / 2;
            break;
        }
        case Shape::sphere: {  // centre at the origin
            double r = body.size[0];
            model.volume = 4.0 / 3.0 * pi * r * r * r;
            ixx = iyy = izz = 0.4 * model.volume * r * r;
            break;
        }
        case Shape::none:
            break;
    }
    model.inertia = {ixx, 0, 0, 0, iyy, 0, 0, 0, izz};
    return true;
}

// Moves a model by rotation m (columns = the new frame's axes) and offset t.
void place(MassModel& model, const Mat3& m, const Vec3& t) {
    Vec3 c = rotate_point(m, model.centroid);
    for (int i = 0; i < 3; ++i) model.centroid[i] = c[i] + t[i];
    model.inertia = rotate_tensor(m, model.inertia);
}

// The body's model in the coordinates of the part that holds it; false when
// the geometry or a placement is not usable (negative or non-finite sizes,
// axes or transforms that are no rotation, a prototype that is gone).
bool placed_model(const Object& object, MassModel& model, int depth) {
    if (depth > 64) return false;  // a prototype chain that loops
    if (object.prototype_object != NULL_TAG) {
        const Object* prototype = find_object(object.prototype_object);
        if (prototype == nullptr || prototype->type != RQ_solid_type) return false;
        if (!placed_model(*prototype, model, depth + 1)) return false;
        const Object* component = find_object(object.occurrence_component);
        if (component == nullptr || !component->component) return true;
        const auto& t = component->component->transform;
        Mat3 m{t[0][0], t[0][1], t[0][2], t[1][0], t[1][1], t[1][2], t[2][0], t[2][1], t[2][2]};
        Vec3 offset{t[0][3], t[1][3], t[2][3]};
        if (!is_rotation(m) || !finite(offset.data(), 3)) return false;
        place(model, m, offset);
        return true;
    }
    if (!object.body) return false;
    const Body& body = *object.body;
    if (!primitive_model(body, model)) return false;
    // The axes are stored row after row; as columns they map body to part.
    const auto& a = body.axes;
    Mat3 m{a[0], a[3], a[6], a[1], a[4], a[7], a[2], a[5], a[8]};
    if (!is_rotation(m) || !finite(body.origin.data(), 3)) return false;
    place(model, m, body.origin);
    return true;
}

// A body's placed model and the density it is weighed with.
struct BodyMass {
    MassModel model;
    double rho = 0.0;
};

// Kept between calls, so that a call allocates nothing once it has grown.
std::vector<BodyMass>& body_masses() {
    static auto* masses = new std::vector<BodyMass>();
    return *masses;
}

struct Totals {
    double volume = 0.0;
    double mass = 0.0;
    Vec3 moment{0, 0, 0};  // sum of mass times centroid
};

// A failure planned for a later call: countdown to it and its code.
int planned_failure_countdown = 0;
int planned_failure_code = 0;

int planned_failure() {
    if (planned_failure_countdown <= 0 || --planned_failure_countdown > 0) return 0;
    return planned_failure_code;
}

void clear_planned_failure() {
    planned_failure_countdown = planned_failure_code = 0;
}

}  // namespace

void fail_nth_mass_props_call(int nth, int code) {
    static bool hooked = false;
    if (!hooked) {
        add_reset_hook(clear_planned_failure);
        hooked = true;
    }
    planned_failure_countdown = nth;
    planned_failure_code = code;
}

}  // namespace standin

using namespace standin;

extern "C" RQ_API int RQ_MODL_ask_mass_props_3d(const tag_t* bodies, int n_bodies, int body_kind,
                                                int units, double density, int accuracy_kind,
                                                double accuracy[11], double results[47],
                                                double statistics[13]) {
    static const char kCall[] = "RQ_MODL_ask_mass_props_3d";
    if (bodies == nullptr || n_bodies <= 0 || results == nullptr) return RQ_err_bad_argument;
    if (!finite(&density, 1) || density < 0.0) return RQ_err_bad_argument;
    if (int code = planned_failure()) return code;
    if (int code = fault_code(kCall, NULL_TAG)) return code;

    // First pass: every body must exist and have a usable model; its own
    // failure switch or a fault for it fails the whole call. Each body's
    // model and density are kept for the second pass.
    std::vector<BodyMass>& masses = body_masses();
    masses.clear();
    Totals totals;
    for (int i = 0; i < n_bodies; ++i) {
        const Object* object = find_object(bodies[i]);
        if (object == nullptr) return RQ_err_bad_tag;
        const Object* source = body_object(bodies[i]);
        if (source == nullptr) return RQ_err_bad_tag;
        const Body& body = *source->body;
        if (body.mass_props_fault != 0) return body.mass_props_fault;
        if (int code = fault_code(kCall, bodies[i])) return code;
        BodyMass& entry = masses.emplace_back();
        if (!placed_model(*object, entry.model, 0)) return RQ_err_mass_props;
        entry.rho = density > 0.0 ? density : body.density;
        double mass = entry.rho * entry.model.volume;
        totals.volume += entry.model.volume;
        totals.mass += mass;
        for (int k = 0; k < 3; ++k) totals.moment[k] += mass * entry.model.centroid[k];
    }

    Vec3 cog{0, 0, 0};
    if (totals.mass > 0.0) {
        for (int k = 0; k < 3; ++k) cog[k] = totals.moment[k] / totals.mass;
    }

    // Second pass: inertia about the combined centre of gravity (parallel axes).
    Mat3 inertia{};
    if (totals.mass > 0.0) {
        for (const BodyMass& entry : masses) {
            const MassModel& model = entry.model;
            double mass = entry.rho * model.volume;
            Vec3 d{model.centroid[0] - cog[0], model.centroid[1] - cog[1],
                   model.centroid[2] - cog[2]};
            double d2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
            for (int r = 0; r < 3; ++r) {
                for (int c = 0; c < 3; ++c) {
                    inertia[3 * r + c] += entry.rho * model.inertia[3 * r + c] +
                                          mass * ((r == c ? d2 : 0.0) - d[r] * d[c]);
                }
            }
        }
    }

    for (int k = 0; k < 47; ++k) results[k] = 0.0;
    results[1] = totals.volume;
    results[2] = totals.mass;
    for (int k = 0; k < 3; ++k) results[3 + k] = cog[k];
    for (int k = 0; k < 3; ++k) results[9 + k] = inertia[4 * k];
    // Products of inertia (the tensor's off-diagonal terms, signs as stored).
    results[12] = inertia[1];
    results[13] = inertia[5];
    results[14] = inertia[2];
    if (statistics != nullptr) {
        for (int k = 0; k < 13; ++k) statistics[k] = 0.0;
        statistics[0] = n_bodies;
    }
    return 0;
}
