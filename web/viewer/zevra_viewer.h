/* The viewer's C interface: what the page calls in the WebAssembly module,
 * and what the native benchmark and the tests' native twin call alike.
 * Pointers returned point into the module's memory and stay valid until the
 * next call on the same viewer; texts are UTF-8 without a terminating 0.
 * Modifier words carry GLFW's bits: 1 Shift, 2 Control, 4 Alt, 8 Super,
 * 16 Caps Lock, 32 Num Lock. */
#ifndef ZEVRA_VIEWER_H
#define ZEVRA_VIEWER_H

#include <stdint.h>

/* In the WebAssembly module each function is exported under its own name. */
#if defined(__wasm__)
#define ZEVRA_VIEWER_API(name) __attribute__((export_name(#name)))
#else
#define ZEVRA_VIEWER_API(name)
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ZevraViewer ZevraViewer;

/* A viewer on the default camera, or 0 when there is no memory for one. */
ZEVRA_VIEWER_API(zevra_viewer_create) ZevraViewer* zevra_viewer_create(void);
ZEVRA_VIEWER_API(zevra_viewer_destroy) void zevra_viewer_destroy(ZevraViewer* viewer);

/* Events, applied as they arrive to the frame being gathered. A key's
 * KeyboardEvent.code goes into the 64 bytes at zevra_viewer_code_buffer
 * first; `tag` is the InputEventTag (0 press, 1 release, 2 repeat). The two
 * calls that take a tag return 1 when the input is bound. */
ZEVRA_VIEWER_API(zevra_viewer_code_buffer) char* zevra_viewer_code_buffer(ZevraViewer* viewer);
ZEVRA_VIEWER_API(zevra_viewer_key)
int32_t zevra_viewer_key(ZevraViewer* viewer, int32_t tag, int32_t code_length, int32_t mods);
ZEVRA_VIEWER_API(zevra_viewer_char)
void zevra_viewer_char(ZevraViewer* viewer, uint32_t code_point);
ZEVRA_VIEWER_API(zevra_viewer_pointer_move)
void zevra_viewer_pointer_move(ZevraViewer* viewer, double x, double y, double dx, double dy);
/* `tag` 4 press or 5 release; `button` the DOM's number (0 left, 1 middle,
 * 2 right). */
ZEVRA_VIEWER_API(zevra_viewer_button)
int32_t zevra_viewer_button(ZevraViewer* viewer, int32_t tag, int32_t button, double x, double y,
                            int32_t mods);
ZEVRA_VIEWER_API(zevra_viewer_wheel)
void zevra_viewer_wheel(ZevraViewer* viewer, double delta_x, double delta_y, int32_t delta_mode,
                        double x, double y);

/* Ends the frame (dt in seconds, aspect = width / height) and begins the
 * next. Returns its state: bit 0 paused, bit 1 wireframe, bit 2 the rigid
 * motion runs. */
ZEVRA_VIEWER_API(zevra_viewer_frame)
uint32_t zevra_viewer_frame(ZevraViewer* viewer, double dt, double aspect);
/* The camera's pos, 4 f64 (x, y, z, w); mvpGpu and the motion's matrix, 16
 * f32 each (GpuPGL4, column-major). */
ZEVRA_VIEWER_API(zevra_viewer_camera) const double* zevra_viewer_camera(const ZevraViewer* viewer);
ZEVRA_VIEWER_API(zevra_viewer_mvp) const float* zevra_viewer_mvp(const ZevraViewer* viewer);
ZEVRA_VIEWER_API(zevra_viewer_motion) const float* zevra_viewer_motion(const ZevraViewer* viewer);

/* The scene: `lanes` curves, each traced for traced_rows points of which
 * drawn_rows are drawn; the start states (GpuGeodesicState each), the
 * integrator's uniform (RK4Params) and per lane two f32, colour and shade. */
ZEVRA_VIEWER_API(zevra_scene_size)
uint32_t zevra_scene_size(int32_t what); /* 0 lanes, 1 traced rows, 2 drawn rows */
ZEVRA_VIEWER_API(zevra_scene_start) const void* zevra_scene_start(const ZevraViewer* viewer);
ZEVRA_VIEWER_API(zevra_scene_params) const void* zevra_scene_params(const ZevraViewer* viewer);
ZEVRA_VIEWER_API(zevra_scene_colours) const float* zevra_scene_colours(const ZevraViewer* viewer);
/* sizeof of GpuHomVec4 (0), GpuPGL4 (1), GpuGeodesicState (2), RK4Params (3). */
ZEVRA_VIEWER_API(zevra_record_size) uint32_t zevra_record_size(int32_t record);

/* WGSL: 0 buildWgslModule(), 1 the vertex module, 2 the fragment stage. */
ZEVRA_VIEWER_API(zevra_wgsl) const char* zevra_wgsl(int32_t which);
ZEVRA_VIEWER_API(zevra_wgsl_length) uint32_t zevra_wgsl_length(int32_t which);

/* The compute pipeline catalogue, in enumerator order: kind, workgroup
 * size, entry point and shader (its source without the preludes). */
ZEVRA_VIEWER_API(zevra_pipeline_count) uint32_t zevra_pipeline_count(void);
ZEVRA_VIEWER_API(zevra_pipeline_kind) uint32_t zevra_pipeline_kind(uint32_t index);
ZEVRA_VIEWER_API(zevra_pipeline_workgroup_size)
uint32_t zevra_pipeline_workgroup_size(uint32_t index);
ZEVRA_VIEWER_API(zevra_pipeline_text)
const char* zevra_pipeline_text(uint32_t index, int32_t which); /* 0 entry point, 1 shader */
ZEVRA_VIEWER_API(zevra_pipeline_text_length)
uint32_t zevra_pipeline_text_length(uint32_t index, int32_t which);

#ifdef __cplusplus
}
#endif

#endif
