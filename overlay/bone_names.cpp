// Bone names beside their joints (see bone_names.h).
#include "overlay/bone_names.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "overlay/text.h"

// Beside the joint rather than on it: the cube stays visible.
static const double NAME_OFFSET_PX[2] = {6.0, 4.0};

void DrawBoneNames(void* font, const SkelModel* model, const BonePose* pose, int32_t count,
                   int32_t selected) {
    if (!model || !pose) return;
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] <= 0 || viewport[3] <= 0) return;
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    int32_t n = std::min(count, UsableBones(model));
    for (int32_t i = 0; i < n; i++) {
        const float* p = pose[i].origin;
        GLdouble wx = 0, wy = 0, wz = 0;
        // Model (x, y, z) is drawn at GL (y, z, x).
        if (gluProject(p[1], p[2], p[0], modelview, projection, viewport, &wx, &wy, &wz) != GL_TRUE)
            continue;
        if (!(wz >= 0.0 && wz <= 1.0)) continue; // behind the camera or past the far plane
        float x = (float)((wx + NAME_OFFSET_PX[0] - viewport[0]) / viewport[2]);
        float y = (float)((wy + NAME_OFFSET_PX[1] - viewport[1]) / viewport[3]);
        char name[NAME_LEN];
        snprintf(name, sizeof name, "%.*s", NAME_LEN - 1, model->bones[i].name);
        bool chosen = i == selected;
        DrawBitmapString(name, font, 1.0f, chosen ? 0.0f : 1.0f, chosen ? 0.0f : 1.0f, x, y);
    }
    glPopAttrib();
}
