// Compares what assimp imported from our glTF (its assjson dump) with the
// model as `boneloom-tool info` lists it: joints (count, names, parents),
// meshes (names, vertex and triangle counts), material names and the
// animation's channels and keys. Prints one summary line; exits 1 on the
// first difference.
//   node assimp_check.js INFO.txt MODEL.assjson
'use strict';
const fs = require('fs');

const [infoPath, dumpPath] = process.argv.slice(2);
if (!dumpPath) {
  console.error('usage: node assimp_check.js INFO.txt MODEL.assjson');
  process.exit(2);
}

function fail(message) {
  console.error(`assimp_check ${dumpPath}: ${message}`);
  process.exit(1);
}

function expectEqual(what, got, want) {
  const g = JSON.stringify(got), w = JSON.stringify(want);
  if (g !== w) fail(`${what}: assimp has ${g}, the model has ${w}`);
}

// --- the model, from boneloom-tool info ---------------------------------------
const info = fs.readFileSync(infoPath, 'utf8').split('\n');
const bones = [];   // {name, parent}
const meshes = [];  // {name, skin, verts, tris}
let frames = -1;
for (const line of info) {
  let m = line.match(/: (\d+) bones, (\d+) frames$/);
  if (m) frames = Number(m[2]);
  m = line.match(/^\s+(\d+)\s+(-?\d+)\s+0x[0-9a-f]{8}\s+(\S.*)$/);
  if (m) bones.push({name: m[3], parent: Number(m[2])});
  m = line.match(/^\s+\d+\s+mesh "(.*)" skin "(.*)": (\d+) vertices, \d+ weights, (\d+) triangles/);
  if (m) meshes.push({name: m[1], skin: m[2], verts: Number(m[3]), tris: Number(m[4])});
}
if (bones.length === 0 || frames < 0) fail(`no bones or frames read from ${infoPath}`);

// --- what assimp read ---------------------------------------------------------
const dump = JSON.parse(fs.readFileSync(dumpPath, 'utf8'));
function find(node, name) {
  if (node.name === name) return node;
  for (const child of node.children || []) {
    const found = find(child, name);
    if (found) return found;
  }
  return null;
}
// Joints are the nodes named after bones, each under its nearest joint above.
// Root bones sit in the scene itself: nothing above them may turn them.
const boneNames = new Set(bones.map((b) => b.name));
const IDENTITY = JSON.stringify([1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1]);
const joints = [];  // {name, parent name or null}
(function walk(node, parentName, depth) {
  let next = parentName;
  if (boneNames.has(node.name)) {
    joints.push({name: node.name, parent: parentName});
    if (parentName === null && depth > 1) fail(`root bone ${node.name} is not in the scene itself`);
    next = node.name;
  } else if (JSON.stringify(node.transformation) !== IDENTITY) {
    fail(`node ${node.name} above or beside the bones carries a transformation`);
  }
  for (const child of node.children || []) walk(child, next, depth + 1);
})(dump.rootnode, null, 0);

// A bone whose parent is not an earlier bone is exported as a root.
const wantJoints = bones.map((b, i) => ({
  name: b.name,
  parent: b.parent >= 0 && b.parent < i ? bones[b.parent].name : null,
}));
const byName = (a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0);
expectEqual('joint count', joints.length, bones.length);
expectEqual('joints and their parents', joints.slice().sort(byName), wantJoints.slice().sort(byName));

const wantMeshes = meshes.filter((m) => m.verts > 0 && m.tris > 0);
const gotMeshes = dump.meshes || [];
expectEqual('mesh names', gotMeshes.map((m) => m.name), wantMeshes.map((m) => m.name));
gotMeshes.forEach((mesh, i) => {
  expectEqual(`mesh ${mesh.name} vertices`, mesh.vertices.length / 3, wantMeshes[i].verts);
  expectEqual(`mesh ${mesh.name} triangles`, mesh.faces.length, wantMeshes[i].tris);
  for (const bone of mesh.bones || [])
    if (!boneNames.has(bone.name)) fail(`mesh ${mesh.name} is skinned to "${bone.name}", not a bone of the model`);
  if (!(mesh.bones || []).length) fail(`mesh ${mesh.name} has no bones`);
  const material = dump.materials[mesh.materialindex].properties.find((p) => p.key === '?mat.name');
  expectEqual(`mesh ${mesh.name} material`, material && material.value, wantMeshes[i].skin);
});

const animations = dump.animations || [];
expectEqual('animation count', animations.length, 1);
const channels = animations[0].channels;
expectEqual('animated bones', channels.map((c) => c.name).sort(), bones.map((b) => b.name).sort());
for (const c of channels) {
  expectEqual(`keys of ${c.name}`, [c.positionkeys.length, c.rotationkeys.length], [frames, frames]);
}

const verts = gotMeshes.reduce((n, m) => n + m.vertices.length / 3, 0);
const tris = gotMeshes.reduce((n, m) => n + m.faces.length, 0);
console.log(`${dumpPath}: assimp read ${joints.length} joints with the model's names and parents, ` +
            `${gotMeshes.length} meshes, ${verts} vertices, ${tris} triangles, ` +
            `${channels.length} channels of ${frames} keys: all equal the model`);
