function make_brindlecast(outputFolder)
%MAKE_BRINDLECAST  Build the brindlecast module from source.
%   MAKE_BRINDLECAST builds it into the current folder.
%   MAKE_BRINDLECAST(FOLDER) builds it into FOLDER, made if missing.
%
%   MATLAB: compiles with mex and the C++ compiler chosen with
%   "mex -setup C++" into brindlecast.<mexext> (brindlecast.mexw64 on
%   64-bit Windows, brindlecast.mexa64 on Linux).
%   GNU Octave: compiles with mkoctfile --mex into brindlecast.mex.
%
%   The help file brindlecast.m is copied beside the module, so that
%   "help brindlecast" works wherever the module is put on the path.
%
%   See also BRINDLECAST.

if nargin < 1 || isempty(outputFolder)
    outputFolder = pwd;
end
if ~exist(outputFolder, 'dir')
    [made, message] = mkdir(outputFolder);
    if ~made
        error('make_brindlecast: cannot make %s: %s', outputFolder, message);
    end
end

root = fileparts(mfilename('fullpath'));
src = fullfile(root, 'src');
% Each file of the device layer compiles only on its own platform (kernel32
% and our port list on Windows, our POSIX layer elsewhere).
sources = [sourcesIn(src, 'entry'), sourcesIn(src, 'registry'), sourcesIn(src, 'arguments'), ...
           sourcesIn(src, 'transfer'), ...
           sourcesIn(src, 'serial'), sourcesIn(src, 'device')];
% 'version' gives the project version of CMakeLists.txt.
version = regexp(fileread(fullfile(root, 'CMakeLists.txt')), ...
                 'project\(brindlecast VERSION ([0-9.]+)', 'tokens', 'once');
if isempty(version)
    error('make_brindlecast: no project version in CMakeLists.txt');
end
define = ['-DBRINDLECAST_VERSION=', version{1}];

% A loaded module holds on to its file and keeps its old code until cleared
% (which closes the ports it has open).
clear('brindlecast');
if exist('OCTAVE_VERSION', 'builtin') ~= 0
    buildWithOctave(src, sources, define, outputFolder);
else
    buildWithMatlab(src, sources, define, outputFolder);
end

helpFile = fullfile(root, 'brindlecast.m');
if ~strcmp(canonicalFolder(outputFolder), canonicalFolder(root))
    [copied, message] = copyfile(helpFile, outputFolder);
    if ~copied
        error('make_brindlecast: cannot copy the help file: %s', message);
    end
end
end

function buildWithOctave(src, sources, define, outputFolder)
% Octave's MEX interface takes 64-bit indices only; the adapter supplies the
% 32-bit forms the module calls.
sources = [sources, {fullfile(src, 'host', 'octave_adapter.cpp')}];
target = fullfile(outputFolder, 'brindlecast.mex');
% mkoctfile takes compiler flags from the environment, not its arguments.
savedFlags = getenv('CXXFLAGS');
restoreFlags = onCleanup(@() restoreEnvironment('CXXFLAGS', savedFlags));
setenv('CXXFLAGS', [strtrim(mkoctfile('-p', 'CXXFLAGS')), ' -std=c++17']);
[output, status] = mkoctfile('--mex', ['-I', src], define, sources{:}, '-o', target);
clear restoreFlags;
if status ~= 0
    error('make_brindlecast: mkoctfile failed:\n%s', output);
end
fprintf('Built %s\n', target);
end

function buildWithMatlab(src, sources, define, outputFolder)
% The module is written against the 32-bit-index API (mxGetField_700 and
% the like), which -compatibleArrayDims selects. MATLAB's Ctrl-C flag is
% looked up in libut at run time; MATLAB has a string class.
sources = [sources, {fullfile(src, 'host', 'libut_interrupt.cpp'), ...
                     fullfile(src, 'host', 'matlab_strings.cpp')}];
compiler = mex.getCompilerConfigurations('C++', 'Selected');
if isempty(compiler)
    error('make_brindlecast: no C++ compiler is set up; run "mex -setup C++".');
end
if strncmpi(compiler(1).ShortName, 'MSVC', 4)
    standard = 'COMPFLAGS=$COMPFLAGS /std:c++17';
else
    standard = 'CXXFLAGS=$CXXFLAGS -std=c++17';
end
% On Windows comlist reads the device manager's records (SetupAPI, the registry).
libraries = {};
if ispc
    libraries = {'-lsetupapi', '-ladvapi32'};
end
mex('-compatibleArrayDims', standard, ['-I', src], define, '-outdir', outputFolder, ...
    '-output', 'brindlecast', sources{:}, libraries{:});
fprintf('Built %s\n', fullfile(outputFolder, ['brindlecast.', mexext]));
end

function restoreEnvironment(name, value)
if isempty(value)
    unsetenv(name);
else
    setenv(name, value);
end
end

function files = sourcesIn(src, folder)
listing = dir(fullfile(src, folder, '*.cpp'));
files = sort(cellfun(@(name) fullfile(src, folder, name), {listing.name}, ...
                     'UniformOutput', false));
end

function folder = canonicalFolder(folder)
here = pwd;
cd(folder);
folder = pwd;
cd(here);
end
