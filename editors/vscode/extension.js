// Starts `zeq lsp` for plan files and hands it the catalog settings.
'use strict';

const fs = require('fs');
const path = require('path');
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

// The zeq to run: the setting, else one shipped beside the extension, else
// the one on the PATH.
function zeqProgram(context) {
  const configured = vscode.workspace.getConfiguration('zeq').get('path');
  if (configured) return configured;
  const name = process.platform === 'win32' ? 'zeq.exe' : 'zeq';
  const beside = path.join(context.extensionPath, 'bin', name);
  return fs.existsSync(beside) ? beside : name;
}

function catalogSettings() {
  const settings = vscode.workspace.getConfiguration('zeq');
  return {
    plans: settings.get('plans'),
    units: settings.get('units'),
    maxDiagnostics: settings.get('maxDiagnostics'),
  };
}

async function activate(context) {
  context.subscriptions.push(
    vscode.commands.registerCommand('zeq.restartServer', () => restart(context)),
    // Another program is another server.
    vscode.workspace.onDidChangeConfiguration((event) => {
      if (event.affectsConfiguration('zeq.path')) restart(context);
    }));
  await start(context);
}

async function restart(context) {
  if (client) {
    const stopping = client;
    client = undefined;
    try {
      await stopping.stop();
    } catch (error) {
      // A server that has died already is stopped.
    }
  }
  await start(context);
}

async function start(context) {
  const command = zeqProgram(context);
  const serverOptions = { command, args: ['lsp'] };
  const clientOptions = {
    documentSelector: [{ language: 'zeq' }],
    initializationOptions: catalogSettings(),
    synchronize: {
      configurationSection: 'zeq',
      fileEvents: vscode.workspace.createFileSystemWatcher('**/{Plans,Units}.dat'),
    },
  };
  client = new LanguageClient('zeq', 'ZEQ Plan Files', serverOptions, clientOptions);
  try {
    await client.start();
  } catch (error) {
    vscode.window.showErrorMessage(
      `ZEQ Plan Files could not start '${command} lsp': ${error.message}. ` +
        "Install ZEQ Editor's zeq, or set zeq.path to it.");
  }
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
