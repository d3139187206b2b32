// Globals of the one model of a run, and the name-field copy rule.
#include "model/model.h"

#include <cstring>

SkelModel* CurrentModel = nullptr;
int32_t SelectedBone = 1;
int32_t SelectedMesh = 0;

void CopyName(char* field, const char* text) {
    size_t n = text ? strnlen(text, NAME_LEN - 1) : 0;
    memcpy(field, text ? text : "", n);
    memset(field + n, 0, NAME_LEN - n);
}

int32_t ClampSelectedBone() {
    if (!CurrentModel || CurrentModel->numbones <= 0 ||
        (size_t)CurrentModel->numbones > CurrentModel->bones.size())
        return -1;
    if (SelectedBone < 0 || SelectedBone >= CurrentModel->numbones) SelectedBone = 0;
    return SelectedBone;
}

int32_t ClampSelectedMesh() {
    if (!CurrentModel || CurrentModel->nummeshes <= 0 ||
        (size_t)CurrentModel->nummeshes > CurrentModel->meshes.size())
        return -1;
    if (SelectedMesh < 0 || SelectedMesh >= CurrentModel->nummeshes) SelectedMesh = 0;
    return SelectedMesh;
}
